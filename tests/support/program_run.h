#pragma once
// Runs a program to its end with arguments given as bytes (a file name need not
// be UTF-8) and collects its exit status, standard output and standard error.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillmar::test {

struct ProgramRun {
    int status = -1;  // the exit status; -1 when it did not end by itself in time
    std::string out;
    std::string err;
};

struct ProgramOptions {
    // Given: standard input is a pipe that carries these bytes and then ends.
    // Otherwise the program shares the test's standard input.
    std::optional<std::string> input;
    // A pseudo-terminal's slave path: the program runs in a session of its
    // own with this as its controlling terminal (its /dev/tty).
    std::string terminal;
    // The program runs in a session of its own without any terminal, so that
    // one the test was started from is never asked anything.
    bool detached = false;
    // Extra NAME=VALUE environment entries.
    std::vector<std::string> environment;
    // Called about every 20 ms while the program runs, with its process id.
    std::function<void(pid_t)> whileRunning;
};

inline ProgramRun runProgram(std::vector<std::string> argv, const ProgramOptions& options,
                             std::chrono::milliseconds limit = std::chrono::seconds(60))
{
    ProgramRun run;
    int out[2];
    int err[2];
    int in[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return run;
    if (options.input && pipe2(in, O_CLOEXEC) != 0)
        return run;
    std::vector<char*> words;
    for (std::string& word : argv)
        words.push_back(word.data());
    words.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        if (options.input)
            dup2(in[0], STDIN_FILENO);
        if (options.detached)
            setsid();
        if (!options.terminal.empty()) {
            setsid();
            const int terminal = open(options.terminal.c_str(), O_RDWR);
            if (terminal < 0 || ioctl(terminal, TIOCSCTTY, 0) != 0)
                _exit(126);
            close(terminal);
        }
        for (const std::string& entry : options.environment)
            putenv(const_cast<char*>(entry.c_str()));
        execv(words[0], words.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (options.input) {
        close(in[0]);
        // A secrets file is small: it fits the pipe, and the program reads it
        // first. A program that ended before reading it is no signal here.
        struct sigaction ignore {};
        struct sigaction previous {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &previous);
        const ssize_t written = write(in[1], options.input->data(), options.input->size());
        (void)written;
        sigaction(SIGPIPE, &previous, nullptr);
        close(in[1]);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (options.whileRunning)
            options.whileRunning(pid);
        if (poll(fds, 2, options.whileRunning ? 20 : 100) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, std::size_t(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    if (open > 0)
        kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    close(out[0]);
    close(err[0]);
    if (open == 0 && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    return run;
}

inline ProgramRun runProgram(std::vector<std::string> argv, std::chrono::milliseconds limit = std::chrono::seconds(60))
{
    return runProgram(std::move(argv), ProgramOptions{}, limit);
}

}  // namespace quillmar::test
