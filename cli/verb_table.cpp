#include "config_verb.h"
#include "discover_verb.h"
#include "verb.h"

namespace quillmar::cli {

// Each verb lives in a file of its own; add it here.
const Verb kVerbs[] = {
    {"version", "version                     print the version", [](int, char**) { return 0; }},
    {"discover", "discover [--ip ADDRESS] [--family 1|2] [--json]  find printer modules", runDiscover},
    {"config", "config show|set|export|import ...  a module's settings record (config --help)", runConfigVerb},
};
const int kVerbCount = sizeof kVerbs / sizeof kVerbs[0];

}  // namespace quillmar::cli
