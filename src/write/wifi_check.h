#pragma once
// Before a write that changes a printer's network name or its security (SSID,
// authentication, encryption, keys) in Infra mode: is that network one this
// PC's Wi-Fi sees, and does it offer the security the printer would use? A
// typo in the SSID, or WPA2 where the access point offers WEP, leaves a
// printer that restarts and never joins, reachable again only by a serial
// cable. Where nothing can be asked (no NetworkManager, no Wi-Fi device, an
// Adhoc printer), the write goes on and says it was not checked.
#include <QString>

#include <functional>
#include <vector>

#include "platform/wifi_survey.h"
#include "record/device_entry.h"
#include "write/field_change.h"

namespace quillmar {

struct WifiCheck {
    enum class Outcome {
        Seen,        // the SSID is seen offering the printer's security
        NotChecked,  // nothing could be asked, or nothing to ask
        NotSeen,     // the SSID is not seen
        Mismatch,    // it is seen, with other security
    };
    Outcome outcome = Outcome::NotChecked;
    QString text;  // what the check found, as a user reads it

    bool refuses() const { return outcome == Outcome::NotSeen || outcome == Outcome::Mismatch; }
};

// Whether the write `changes` make, leaving `record`, needs the check.
bool wifiCheckNeeded(const std::vector<FieldChange>& changes, const DeviceEntry& record);

// The printer's SSID and security in `record` against what `survey` saw.
WifiCheck checkWifi(const DeviceEntry& record, const WifiSurvey& survey);

// Where a window's check asks what this PC's Wi-Fi sees: NetworkManager
// (surveyWifi) unless the window was given another survey (tests).
using WifiSurveyor = std::function<WifiSurvey()>;
WifiSurvey surveyWith(const WifiSurveyor& surveyor);

// The check's line in a window's preview: "Wi-Fi: SSID ... is seen ...".
QString wifiCheckLine(const WifiCheck& check);

}  // namespace quillmar
