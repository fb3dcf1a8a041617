#pragma once
// Runs a program to its end with arguments given as bytes (a file name need not
// be UTF-8) and collects its exit status, standard output and standard error.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace quillmar::test {

struct ProgramRun {
    int status = -1;  // the exit status; -1 when it did not end by itself in time
    std::string out;
    std::string err;
};

inline ProgramRun runProgram(std::vector<std::string> argv, std::chrono::milliseconds limit = std::chrono::seconds(60))
{
    ProgramRun run;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return run;
    std::vector<char*> words;
    for (std::string& word : argv)
        words.push_back(word.data());
    words.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execv(words[0], words.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (poll(fds, 2, 100) <= 0)
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

}  // namespace quillmar::test
