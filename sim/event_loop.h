#pragma once
// A small poll() loop: each protocol the simulator speaks watches its own
// sockets here. SIGINT and SIGTERM end the loop cleanly.
#include <functional>
#include <vector>

namespace quillmar::sim {

class EventLoop {
public:
    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // Calls `onReadable` whenever `fd` has something to read. A callback may
    // watch or unwatch descriptors, its own included.
    void watch(int fd, std::function<void()> onReadable);
    // Stops watching `fd` (before it is closed).
    void unwatch(int fd);
    // Runs until a signal or stop(); returns 0, or 1 when waiting failed.
    int run();
    void stop() { running_ = false; }

private:
    struct Watch {
        int fd;
        std::function<void()> onReadable;
    };
    std::vector<Watch> watches_;
    int signalFd_ = -1;
    bool running_ = true;
};

}  // namespace quillmar::sim
