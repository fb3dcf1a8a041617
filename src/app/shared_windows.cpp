#include "app/shared_windows.h"

namespace quillmar {

SharedWindows& sharedWindows()
{
    static SharedWindows windows;
    return windows;
}

SharedWindows& createSharedWindows()
{
    SharedWindows& windows = sharedWindows();
    if (!windows.created) {
        windows.created = true;
    }
    return windows;
}

}  // namespace quillmar
