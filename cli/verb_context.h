#pragma once
// What a verb writes to and how long it waits: the program gives it standard
// output and standard error, a test gives it strings, so verbs run in-process.
#include <QTextStream>

#include <chrono>

#include "config_read.h"

namespace quillmar::cli {

struct VerbContext {
    QTextStream& out;
    QTextStream& err;
    // How long a module has to answer the read request.
    std::chrono::milliseconds readWait = kConfigReplyWait;
};

}  // namespace quillmar::cli
