#pragma once
// SIGINT (Ctrl-C), SIGTERM and SIGHUP (the terminal closed) as a request to
// stop, for as long as a StopSignals lives: they only note that the user wants
// to stop, and the handlers that were there come back afterwards. A signal
// the program was started with ignored (a background job, nohup) stays
// ignored.
//
// What a second signal does depends on what the program holds. Where nothing
// is left behind by ending at once, the handler resets itself and a second
// signal ends the program as usual. Where the run holds something that must
// be given back first (a route and neighbour entry in the PC's tables, a
// temporary file), every signal is only noted, and SIGPIPE is ignored, so that
// a reader that went away (`| head`) cannot end the run either: writes to it
// fail instead.
#include <signal.h>

#include <atomic>

namespace quillmar::cli {

class StopSignals {
public:
    enum class Second { EndsProgram, WaitsForRelease };

    explicit StopSignals(Second second = Second::EndsProgram);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool raised() const;
    // Set by the handler; for code that polls a flag of its own kind.
    static const std::atomic<bool>& flag();

    // The signals a StopSignals catches, for a thread that must leave them to
    // the one that watches them.
    static sigset_t caught();

private:
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
    struct sigaction previousHup_ {};
    struct sigaction previousPipe_ {};
    bool pipeIgnored_ = false;
};

}  // namespace quillmar::cli
