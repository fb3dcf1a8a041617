#include "config_verb.h"
#include "verb.h"

namespace quillmar::cli {

// Each verb lives in a file of its own; add it here.
const Verb kVerbs[] = {
    {"version", "version                     print the version", [](int, char**) { return 0; }},
    {"config", "config show ADDRESS [--json]  print a module's settings record", runConfigVerb},
};
const int kVerbCount = sizeof kVerbs / sizeof kVerbs[0];

}  // namespace quillmar::cli
