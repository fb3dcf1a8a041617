#pragma once
// The file this process runs from, so that a hint can name the program as the
// user has it installed (a build tree, /usr/bin, a copy elsewhere).
#include <string>

namespace quillmar {

// The absolute path of the running executable; `fallback` when the system
// does not tell.
std::string runningProgramPath(const std::string& fallback);

}  // namespace quillmar
