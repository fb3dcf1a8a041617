#include "app/option_scan.h"

#include "record/program_flags.h"

namespace quillmar {

StartupOptions scanOptions(std::string_view text)
{
    StartupOptions options;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '-')
            continue;
        switch (text[i + 1]) {
        case 'd':
            options.d = true;
            break;
        case 'o':
            options.o = true;
            break;
        case 'p':
            options.p = true;
            break;
        case 'u':
            options.u = true;
            break;
        default:
            break;
        }
    }
    return options;
}

std::string argumentText(int argc, char** argv)
{
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += ' ';
        text += argv[i];
    }
    return text;
}

void applyStartupOptions(const StartupOptions& options, ProgramFlags& flags)
{
    flags.allowIpModeFlag = options.p;
    flags.optionO = options.o;
    if (options.u)
        flags.usbToolFlag = 1;
}

}  // namespace quillmar
