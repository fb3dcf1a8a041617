#include "app/end_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace quillmar {
namespace {

constexpr std::array<int, 3> kEndSignals{SIGINT, SIGTERM, SIGHUP};

// Written by the handler, read by the notifier.
int signalPipe[2] = {-1, -1};
std::array<struct sigaction, kEndSignals.size()> previousActions{};
struct sigaction previousPipeAction {};

void noteEndSignal(int number)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    (void)!::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

EndSignals::EndSignals(std::function<void()> stopWorkers, std::function<void(int)> end, QObject* parent)
    : QObject(parent), stopWorkers_(std::move(stopWorkers)), end_(std::move(end))
{
    if (!end_)
        end_ = [](int number) { QCoreApplication::exit(128 + number); };
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &EndSignals::readSignal);

    struct sigaction action {};
    action.sa_handler = noteEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
        sigaction(kEndSignals[i], nullptr, &previousActions[i]);
        if (previousActions[i].sa_handler != SIG_IGN)
            sigaction(kEndSignals[i], &action, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previousPipeAction);
}

EndSignals::~EndSignals()
{
    if (!notifier_)
        return;
    for (std::size_t i = 0; i < kEndSignals.size(); ++i)
        sigaction(kEndSignals[i], &previousActions[i], nullptr);
    sigaction(SIGPIPE, &previousPipeAction, nullptr);
    for (int& fd : signalPipe) {
        ::close(fd);
        fd = -1;
    }
}

void EndSignals::readSignal()
{
    int first = 0;
    unsigned char number = 0;
    while (::read(signalPipe[0], &number, 1) == 1) {
        if (first == 0)
            first = number;
    }
    if (first == 0 || ending_)
        return;
    ending_ = true;
    if (stopWorkers_)
        stopWorkers_();
    end_(first);
}

}  // namespace quillmar
