#include "config/config_shared.h"

namespace quillmar {

ConfigShared& configShared()
{
    static ConfigShared shared;
    return shared;
}

}  // namespace quillmar
