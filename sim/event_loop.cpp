#include "event_loop.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace quillmar::sim {

EventLoop::EventLoop()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    signalFd_ = signalfd(-1, &signals, SFD_CLOEXEC);
}

EventLoop::~EventLoop()
{
    if (signalFd_ >= 0)
        ::close(signalFd_);
}

void EventLoop::watch(int fd, std::function<void()> onReadable)
{
    watches_.push_back({fd, std::move(onReadable)});
}

void EventLoop::unwatch(int fd)
{
    std::erase_if(watches_, [fd](const Watch& watch) { return watch.fd == fd; });
}

int EventLoop::run()
{
    while (running_) {
        std::vector<pollfd> fds;
        fds.push_back({signalFd_, POLLIN, 0});
        for (const Watch& watch : watches_)
            fds.push_back({watch.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "quillmar-sim: poll failed: %s\n", std::strerror(errno));
            return 1;
        }
        if (fds[0].revents)
            return 0;
        for (std::size_t i = 1; i < fds.size() && running_; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLERR | POLLHUP)))
                continue;
            // Callbacks may change the watch list; a copy outlives that, and a
            // descriptor no longer watched is skipped.
            const auto watched = std::find_if(watches_.begin(), watches_.end(),
                                              [&](const Watch& watch) { return watch.fd == fds[i].fd; });
            if (watched == watches_.end())
                continue;
            const std::function<void()> onReadable = watched->onReadable;
            onReadable();
        }
    }
    return 0;
}

}  // namespace quillmar::sim
