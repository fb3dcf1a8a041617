#include "platform/font_warm_up.h"

#include <fontconfig/fontconfig.h>

namespace quillmar {

// FcInit is safe to call from any thread and only once does the work: the
// toolkit's own call, later on the first thread, finds the configuration read.
FontConfigurationWarmUp::FontConfigurationWarmUp() : reader_([] { FcInit(); })
{
}

FontConfigurationWarmUp::~FontConfigurationWarmUp()
{
    reader_.join();
}

}  // namespace quillmar
