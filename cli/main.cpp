// quillmar-cli: the manager's operations from a terminal, for technicians and
// scripts. Tables for people, --json for scripts; the exit status says how a
// verb ended (quillmar-cli --help).
#include <QTextStream>

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "command_line.h"
#include "system_bytes.h"

int main(int argc, char** argv)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    quillmar::cli::VerbContext context{out, err};
    context.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    context.in = &in;
    context.inIsTerminal = ::isatty(STDIN_FILENO) == 1;
    winsize size{};
    if (::isatty(STDOUT_FILENO) == 1 && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        context.outColumns = size.ws_col;
    const int status = quillmar::cli::runCommandLine(quillmar::cli::argumentsFromSystem(argc, argv), context);
    out.flush();
    err.flush();
    return status;
}
