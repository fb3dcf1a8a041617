#pragma once
// What a settings tool window needs from the window that opens it, handed over
// at creation so that the tools do not depend on the main window.
#include <QString>
#include <functional>

#include "comm/direct_settings.h"

namespace quillmar {

class ProgramLauncher;
class UsbPrinterLocator;

struct SettingsToolContext {
    // Where "COMSET.DAT", "BAUDSET.DAT" and "Xmodem.exe" are.
    QString workingDirectory;
    // Appends one line to the main window's message log.
    std::function<void(const QString& line)> log;
    // Starts "Xmodem.exe" (not owned); the system's launcher when null.
    ProgramLauncher* launcher = nullptr;
    // Finds the USB printer (not owned); the system's locator when null.
    UsbPrinterLocator* usbLocator = nullptr;
    DirectSettingsTiming timing;
};

}  // namespace quillmar
