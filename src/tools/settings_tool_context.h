#pragma once
// What a settings tool window needs from the window that opens it, handed over
// at creation so that the tools do not depend on the main window.
#include <QString>
#include <functional>
#include <vector>

#include "comm/direct_settings.h"
#include "write/module_census.h"
#include "write/wifi_check.h"

namespace quillmar {

class ProgramLauncher;
class UsbPrinterLocator;

struct SettingsToolContext {
    // The directory the program was started in: "Xmodem.exe" is there, and
    // "COMSET.DAT" and "BAUDSET.DAT" when they are (settings_file.h).
    QString workingDirectory;
    // Appends one line to the main window's message log.
    std::function<void(const QString& line)> log;
    // Starts "Xmodem.exe" (not owned); the system's launcher when null.
    ProgramLauncher* launcher = nullptr;
    // Finds the USB printer (not owned); the system's locator when null.
    UsbPrinterLocator* usbLocator = nullptr;
    DirectSettingsTiming timing;
    // The printers the main window lists, each with the address it answered
    // from: a save does not give the printer an address one of them has.
    // Unset: none is known.
    std::function<std::vector<CensusModule>()> listedPrinters;
    // What this PC's Wi-Fi sees, asked before a save that changes a printer's
    // SSID or security. Unset: NetworkManager (write/wifi_check.h).
    WifiSurveyor wifiSurvey;
};

}  // namespace quillmar
