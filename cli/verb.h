#pragma once
// One quillmar-cli verb: its name, a line of help, and its body. A body gets the
// arguments after the verb and returns the process exit status (0 only on success).

namespace quillmar::cli {

struct Verb {
    const char* name;
    const char* usage;  // shown by --help
    int (*run)(int argc, char** argv);
};

// The table of verbs, in the order --help lists them (verb_table.cpp).
extern const Verb kVerbs[];
extern const int kVerbCount;

}  // namespace quillmar::cli
