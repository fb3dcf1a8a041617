#pragma once
// Runs quillmar-cli's verbs in this process, as the program would run them,
// with standard output and standard error captured in strings.
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <chrono>
#include <functional>

#include "command_line.h"
#include "support/state_home.h"

namespace quillmar::test {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

// `adjust` changes the context before the verb runs (waits, seams).
inline CliRun runVerbs(const QStringList& arguments, const std::function<void(cli::VerbContext&)>& adjust)
{
    keepStateOutOfHome();
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    cli::VerbContext context{out, err};
    if (adjust)
        adjust(context);
    run.status = cli::runCommandLine(arguments, context);
    out.flush();
    err.flush();
    return run;
}

inline CliRun runVerbs(const QStringList& arguments, std::chrono::milliseconds readWait = kConfigReplyWait)
{
    return runVerbs(arguments, [readWait](cli::VerbContext& context) { context.readWait = readWait; });
}

}  // namespace quillmar::test
