#pragma once
// The exit statuses every verb ends with, so that a script can tell a refusal
// from a mistake in its own command line and from a module that is not there.
#include <QString>

namespace quillmar::cli {

enum ExitStatus : int {
    kSuccess = 0,
    // The module or a file said no, or a save was not confirmed.
    kRefused = 1,
    // An unknown option, a missing or extra argument, or a value that breaks a
    // rule: nothing was sent and nothing was written.
    kUsageError = 2,
    // The module did not answer, or no module answered the search.
    kNoAnswer = 3,
    // A reboot or upgrade stopped by SIGINT or SIGTERM after it had cleaned up
    // (128 + SIGINT, as a shell reports an interrupted program).
    kInterrupted = 130,
};

// The table of the statuses for --help, one "  N  meaning" line each.
QString exitStatusHelp();

}  // namespace quillmar::cli
