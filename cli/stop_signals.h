#pragma once
// SIGINT (Ctrl-C) and SIGTERM as a request to stop, for as long as a
// StopSignals lives: they only note that the user wants to stop, and the
// handlers that were there come back afterwards. The handler resets itself,
// so a second signal ends the program as usual; a signal the program was
// started with ignored (a background job, nohup) stays ignored.
#include <signal.h>

namespace quillmar::cli {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool raised() const;

private:
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

}  // namespace quillmar::cli
