#include "exit_status.h"

namespace quillmar::cli {

QString exitStatusHelp()
{
    return QStringLiteral("  0  success\n"
                          "  1  the module or a file said no, or the save was not confirmed\n"
                          "  2  usage error: an unknown option, a missing or extra argument, or a value\n"
                          "     that breaks a rule; nothing was sent and nothing was written\n"
                          "  3  no answer: the module did not answer, or no module answered the search\n"
                          "130 stopped by SIGINT (Ctrl-C) or SIGTERM before the end\n");
}

}  // namespace quillmar::cli
