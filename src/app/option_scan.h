#pragma once
// The start-up options -d, -o, -p and -u, found anywhere in the argument text.
#include <string>
#include <string_view>

namespace quillmar {

struct StartupOptions {
    bool d = false;  // accepted, has no effect
    bool o = false;
    bool p = false;
    bool u = false;
};

// Wherever "-" is followed by a lower-case d, o, p or u the option is set; word
// boundaries and repeats do not matter, and everything else is ignored.
StartupOptions scanOptions(std::string_view argumentText);

// The argument text as the program received it: the arguments after the
// program name, joined by blanks.
std::string argumentText(int argc, char** argv);

struct ProgramFlags;
void applyStartupOptions(const StartupOptions& options, ProgramFlags& flags);

}  // namespace quillmar
