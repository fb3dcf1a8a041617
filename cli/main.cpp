// quillmar-cli: the manager's operations from a terminal, for technicians and
// scripts. Exit status 0 only on success.
#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: quillmar-cli [--help] [--version] VERB [ARGUMENTS]\n"
    "\n"
    "Manage POS printers that carry a Quillmar LAN or Wi-Fi module.\n"
    "\n"
    "Options:\n"
    "  --help       show this text and exit\n"
    "  --version    show the version and exit\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::puts("quillmar-cli 1.12");
        return 0;
    }
    std::fprintf(stderr, "quillmar-cli: unknown verb '%s'\n", argv[1]);
    return 2;
}
