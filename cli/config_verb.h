#pragma once
// quillmar-cli config SUBVERB ...: the settings record of one module.

namespace quillmar::cli {

int runConfigVerb(int argc, char** argv);

// The sub-verbs, one file each.
int runConfigShow(int argc, char** argv);  // config_show_verb.cpp
int runConfigSet(int argc, char** argv);     // config_set_verb.cpp
int runConfigExport(int argc, char** argv);  // config_export_verb.cpp
int runConfigImport(int argc, char** argv);  // config_import_verb.cpp

}  // namespace quillmar::cli
