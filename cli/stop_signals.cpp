#include "stop_signals.h"

namespace quillmar::cli {

namespace {

// Lock-free, so the handler may set it.
std::atomic<bool> stopSignal{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void noteStopSignal(int)
{
    stopSignal = true;
}

void catchUnlessIgnored(int number, const struct sigaction& action, struct sigaction& previous)
{
    sigaction(number, nullptr, &previous);
    if (previous.sa_handler != SIG_IGN)
        sigaction(number, &action, nullptr);
}

}  // namespace

StopSignals::StopSignals(Second second)
{
    stopSignal = false;
    struct sigaction action {};
    action.sa_handler = noteStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | (second == Second::EndsProgram ? SA_RESETHAND : 0);
    catchUnlessIgnored(SIGINT, action, previousInt_);
    catchUnlessIgnored(SIGTERM, action, previousTerm_);
    catchUnlessIgnored(SIGHUP, action, previousHup_);
    if (second == Second::WaitsForRelease) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &previousPipe_);
        pipeIgnored_ = true;
    }
}

StopSignals::~StopSignals()
{
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
    sigaction(SIGHUP, &previousHup_, nullptr);
    if (pipeIgnored_)
        sigaction(SIGPIPE, &previousPipe_, nullptr);
}

bool StopSignals::raised() const
{
    return stopSignal;
}

const std::atomic<bool>& StopSignals::flag()
{
    return stopSignal;
}

sigset_t StopSignals::caught()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, number);
    return set;
}

}  // namespace quillmar::cli
