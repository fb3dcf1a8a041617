#include "config_verb.h"

#include <cstdio>
#include <cstring>

namespace quillmar::cli {

namespace {

struct SubVerb {
    const char* name;
    const char* usage;
    int (*run)(int argc, char** argv);
};

// Add a sub-verb here and declare its body in config_verb.h.
const SubVerb kConfigSubVerbs[] = {
    {"show", "config show ADDRESS [--json]", runConfigShow},
    {"set", "config set ADDRESS FIELD=VALUE... [--tick-ms MS]   (fields: config set --help)", runConfigSet},
    {"export", "config export ADDRESS FILE [--force]", runConfigExport},
    {"import", "config import FILE", runConfigImport},
};

void printConfigUsage(std::FILE* out)
{
    std::fputs("Usage:\n", out);
    for (const SubVerb& sub : kConfigSubVerbs)
        std::fprintf(out, "  quillmar-cli %s\n", sub.usage);
}

}  // namespace

int runConfigVerb(int argc, char** argv)
{
    if (argc < 1) {
        printConfigUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[0], "--help") == 0 || std::strcmp(argv[0], "-h") == 0) {
        printConfigUsage(stdout);
        return 0;
    }
    for (const SubVerb& sub : kConfigSubVerbs) {
        if (std::strcmp(argv[0], sub.name) == 0)
            return sub.run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "quillmar-cli: unknown config sub-verb '%s'\n", argv[0]);
    printConfigUsage(stderr);
    return 2;
}

}  // namespace quillmar::cli
