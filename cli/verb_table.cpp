#include "verb.h"

namespace quillmar::cli {

// Each verb lives in a file of its own; add it here.
const Verb kVerbs[] = {
    {"version", "version                     print the version", [](int, char**) { return 0; }},
};
const int kVerbCount = sizeof kVerbs / sizeof kVerbs[0];

}  // namespace quillmar::cli
