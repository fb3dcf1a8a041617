#pragma once
// Runs quillmar-cli's verbs in this process, as the program would run them,
// with standard output and standard error captured in strings.
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <chrono>

#include "command_line.h"

namespace quillmar::test {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

inline CliRun runVerbs(const QStringList& arguments, std::chrono::milliseconds readWait = cli::kConfigReplyWait)
{
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    cli::VerbContext context{out, err, readWait};
    run.status = cli::runCommandLine(arguments, context);
    out.flush();
    err.flush();
    return run;
}

}  // namespace quillmar::test
