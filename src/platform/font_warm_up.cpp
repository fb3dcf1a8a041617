#include "platform/font_warm_up.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace quillmar {

// FcInit may be called from any thread: the toolkit's own call, later on the
// first thread, finds the configuration read (should the two meet, one of the
// two readings is kept).
FontConfigurationWarmUp::FontConfigurationWarmUp()
{
    try {
        reader_ = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to spare: the toolkit reads it itself, as it always could.
    }
}

FontConfigurationWarmUp::~FontConfigurationWarmUp()
{
    if (reader_.joinable())
        reader_.join();
}

}  // namespace quillmar
