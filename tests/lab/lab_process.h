#pragma once
// A program running in a lab namespace until the test stops it, its standard
// output read line by line: for what a program does while it runs, and how it
// ends on a signal.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "lab/lab_network.h"

namespace quillmar::test {

class LabProcess {
public:
    LabProcess(const LabNetwork& lab, const std::string& host, std::vector<std::string> argv)
    {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        std::vector<char*> words;
        for (std::string& word : argv)
            words.push_back(word.data());
        words.push_back(nullptr);
        const std::string netns = "/run/netns/" + lab.namespaceOf(host);
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = open(netns.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || setns(fd, CLONE_NEWNET) != 0)
                _exit(126);
            dup2(out[1], STDOUT_FILENO);
            execv(words[0], words.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
    }
    ~LabProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }

    // How many lines have been read so far; a later lineWhere can look from here.
    std::size_t mark() const { return seen_.size(); }

    // The first whole line from line `since` on that `wanted` accepts, or nothing
    // within `limit`. Lines already read count too: the program prints a search's
    // events in the order the answers came, which the test cannot know.
    std::optional<std::string> lineWhere(const std::function<bool(const std::string&)>& wanted, std::size_t since,
                                         std::chrono::milliseconds limit)
    {
        for (std::size_t i = since; i < seen_.size(); ++i)
            if (wanted(seen_[i]))
                return seen_[i];
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
                const std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                seen_.push_back(line);
                if (seen_.size() > since && wanted(line))
                    return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline
                                                                                    - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return std::nullopt;
            pollfd watched{out_, POLLIN, 0};
            if (poll(&watched, 1, int(left.count())) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0)
                return std::nullopt;
            pending_.append(buffer, std::size_t(n));
        }
    }

    // Sends `signal` and returns the exit status, or -1 when it did not exit by itself in time.
    int stop(int signal, std::chrono::milliseconds limit)
    {
        kill(pid_, signal);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    const std::vector<std::string>& seen() const { return seen_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
    std::vector<std::string> seen_;
};

}  // namespace quillmar::test
