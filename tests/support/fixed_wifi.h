#pragma once
// What a window's Wi-Fi check is told this PC's Wi-Fi sees, without asking
// NetworkManager: a window's context takes one of these as its survey.
#include <vector>

#include "platform/wifi_survey.h"
#include "write/wifi_check.h"

namespace quillmar::test {

// An access point offering WPA2-PSK with AES, or WEP.
inline SeenAccessPoint wpa2AesPoint(const char* ssid)
{
    return {QByteArray(ssid), kApPrivacy, 0, kApKeyPsk | kApPairCcmp};
}
inline SeenAccessPoint wepPoint(const char* ssid)
{
    return {QByteArray(ssid), kApPrivacy, 0, 0};
}

inline WifiSurveyor seeing(std::vector<SeenAccessPoint> points)
{
    return [points] {
        WifiSurvey survey;
        survey.looked = true;
        survey.accessPoints = points;
        return survey;
    };
}

// A PC without Wi-Fi: the check cannot tell.
inline WifiSurveyor noWifi()
{
    return [] {
        WifiSurvey survey;
        survey.whyNot = QStringLiteral("NetworkManager has no Wi-Fi device on this PC");
        return survey;
    };
}

}  // namespace quillmar::test
