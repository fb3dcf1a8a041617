#pragma once
// The Wi-Fi networks this PC sees, as NetworkManager reports them over the
// system bus (DBUS_SYSTEM_BUS_ADDRESS is honoured, as by every D-Bus client):
// a fresh scan is asked for and waited for, at most as long as given, and
// then every access point of every Wi-Fi device is read with the security it
// offers. The PC a technician carries usually sees the access points the
// printer will.
#include <QByteArray>
#include <QString>

#include <chrono>
#include <vector>

namespace quillmar {

// NetworkManager's access point flags (NM80211ApFlags, NM80211ApSecurityFlags).
inline constexpr unsigned kApPrivacy = 0x1;
inline constexpr unsigned kApPairTkip = 0x4;
inline constexpr unsigned kApPairCcmp = 0x8;
inline constexpr unsigned kApKeyPsk = 0x100;
inline constexpr unsigned kApKey8021x = 0x200;

struct SeenAccessPoint {
    QByteArray ssid;
    unsigned flags = 0;
    unsigned wpaFlags = 0;
    unsigned rsnFlags = 0;
};

struct WifiSurvey {
    bool looked = false;  // false: no NetworkManager, or no Wi-Fi device
    QString whyNot;       // then why, for the message
    std::vector<SeenAccessPoint> accessPoints;
};

inline constexpr std::chrono::seconds kWifiScanWait{5};

WifiSurvey surveyWifi(std::chrono::milliseconds scanWait = kWifiScanWait);

}  // namespace quillmar
