#pragma once
// What a configuration window needs from the window that opens it, handed over
// at creation so that the configuration layer does not depend on the main window.
#include <QString>
#include <functional>
#include <string>

namespace quillmar {

struct ConfigWindowContext {
    // Shown in the hidden Edit1 at show time.
    std::string defaultModelName;
    // Called when the window closes, with the MAC text remembered at show time,
    // to take the device off the open-device list.
    std::function<void(const std::string& mac)> releaseDevice;
    // Appends one line to the main window's message log.
    std::function<void(const QString& line)> log;
    // The web source directory and web image path the main window remembers
    // between configuration windows; either may be null.
    QString* webSourceDirectory = nullptr;
    QString* webImagePath = nullptr;
};

}  // namespace quillmar
