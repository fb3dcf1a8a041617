#pragma once
// quillmar-cli config SUBVERB ...: the settings record of one module.

namespace quillmar::cli {

int runConfigVerb(int argc, char** argv);

// The sub-verbs, one file each.
int runConfigShow(int argc, char** argv);  // config_show_verb.cpp

}  // namespace quillmar::cli
