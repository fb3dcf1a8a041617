#include "stop_signals.h"

#include <csignal>

namespace quillmar::cli {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void noteStopSignal(int number)
{
    stopSignal = number;
}

}  // namespace

StopSignals::StopSignals()
{
    stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = noteStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, nullptr, &previousInt_);
    sigaction(SIGTERM, nullptr, &previousTerm_);
    if (previousInt_.sa_handler != SIG_IGN)
        sigaction(SIGINT, &action, nullptr);
    if (previousTerm_.sa_handler != SIG_IGN)
        sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals()
{
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
}

bool StopSignals::raised() const
{
    return stopSignal != 0;
}

}  // namespace quillmar::cli
