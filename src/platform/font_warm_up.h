#pragma once
// Reads the font configuration on a thread of its own while the program's
// first steps (the display connection, the platform plugins) go on. Every
// window with text needs it before its first paint, and on the first thread
// it is a few milliseconds of XML and cache reading spent in a row with the
// rest.
#include <thread>

namespace quillmar {

class FontConfigurationWarmUp {
public:
    FontConfigurationWarmUp();
    // Waits for the read to end: fontconfig must not be torn down under it.
    ~FontConfigurationWarmUp();
    FontConfigurationWarmUp(const FontConfigurationWarmUp&) = delete;
    FontConfigurationWarmUp& operator=(const FontConfigurationWarmUp&) = delete;

private:
    std::thread reader_;
};

}  // namespace quillmar
