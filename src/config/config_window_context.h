#pragma once
// What a configuration window needs from the window that opens it, handed over
// at creation so that the configuration layer does not depend on the main window.
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "write/module_census.h"
#include "write/wifi_check.h"

namespace quillmar {

class MaintenanceThread;
struct SessionEnvironment;

struct ConfigWindowContext {
    // Shown in the hidden Edit1 at show time.
    std::string defaultModelName;
    // Called when the window closes, with the MAC text remembered at show time,
    // to take the device off the open-device list.
    std::function<void(const std::string& mac)> releaseDevice;
    // Appends one line to the main window's message log.
    std::function<void(const QString& line)> log;
    // The printers the main window lists, each with the address it answered
    // from: a save does not give the module an address one of them has.
    // Unset: none is known.
    std::function<std::vector<CensusModule>()> listedPrinters;
    // The web source directory and web image path the main window remembers
    // between configuration windows; either may be null.
    QString* webSourceDirectory = nullptr;
    QString* webImagePath = nullptr;
    // Runs a web image build or upload behind the shared progress window and
    // returns its code, 1 when the window closed first (maintenance_starter.h).
    // Unset: the window runs it behind a progress window of its own.
    std::function<int(MaintenanceThread* worker, const std::shared_ptr<std::atomic<int>>& status)> runMaintenanceWorker;
    // The local addresses, route and neighbour helpers and waits an upload's
    // device session gets. Unset: the system's, with locks of the window's own.
    std::function<SessionEnvironment()> sessionEnvironment;
    // What this PC's Wi-Fi sees, asked before a save that changes a printer's
    // SSID or security. Unset: NetworkManager (write/wifi_check.h).
    WifiSurveyor wifiSurvey;
};

}  // namespace quillmar
