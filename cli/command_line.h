#pragma once
// quillmar-cli's command line: finds the verb named by the first words and runs
// it; answers --help and --version; lists the verbs of a group ("config").
#include <QStringList>

#include "verb_context.h"

namespace quillmar::cli {

// `arguments` are the words after the program's name; returns the exit status.
int runCommandLine(const QStringList& arguments, VerbContext& context);

}  // namespace quillmar::cli
