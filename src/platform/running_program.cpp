#include "platform/running_program.h"

#include <filesystem>
#include <system_error>

namespace quillmar {

std::string runningProgramPath(const std::string& fallback)
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error || path.empty() ? fallback : path.string();
}

}  // namespace quillmar
