#pragma once
// Runs a piece of a test as nobody in a child process: the suite runs as root,
// and root may read, write and open anything.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

namespace quillmar::test {

// What `work` returned in a child running as nobody; nothing when the child
// could not become nobody or did not end normally.
inline std::optional<std::string> runAsNobody(const std::function<std::string()>& work)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            _exit(1);
        const std::string result = work();
        _exit(::write(ends[1], result.data(), result.size()) == ssize_t(result.size()) ? 0 : 1);
    }
    ::close(ends[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, std::size_t(n));
    ::close(ends[0]);
    int status = -1;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}

}  // namespace quillmar::test
