// quillmar-cli: the manager's operations from a terminal, for technicians and
// scripts. Tables for people, --json for scripts; exit status 0 only on success.
#include <cstdio>
#include <cstring>

#include "verb.h"

namespace {

void printUsage(std::FILE* out)
{
    std::fputs("Usage: quillmar-cli [--help] [--version] VERB [ARGUMENTS]\n"
               "\n"
               "Manage POS printers that carry a Quillmar LAN or Wi-Fi module.\n"
               "\n"
               "Verbs:\n",
               out);
    for (int i = 0; i < quillmar::cli::kVerbCount; ++i)
        std::fprintf(out, "  %s\n", quillmar::cli::kVerbs[i].usage);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "version") == 0) {
        std::puts("quillmar-cli 1.12");
        return 0;
    }
    for (int i = 0; i < quillmar::cli::kVerbCount; ++i) {
        if (std::strcmp(argv[1], quillmar::cli::kVerbs[i].name) == 0)
            return quillmar::cli::kVerbs[i].run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "quillmar-cli: unknown verb '%s' (see --help)\n", argv[1]);
    return 2;
}
