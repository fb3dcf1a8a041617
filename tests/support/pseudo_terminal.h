#pragma once
// A pseudo-terminal that plays the printer on a COM port: the test holds the
// master side and the program opens the slave side as "COMn" (the environment
// variable QUILLMAR_COMn names it while this object lives). The line is raw,
// so bytes pass through untouched. Made without a COM port, it is a person's
// terminal instead, its line as a terminal starts (echo on, line editing): a
// program's controlling terminal (ProgramOptions::terminal).
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace quillmar::test {

class PseudoTerminal {
public:
    explicit PseudoTerminal(int com) : variable_("QUILLMAR_COM" + std::to_string(com))
    {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
            error = std::string("openpty: ") + std::strerror(errno);
            return;
        }
        termios raw{};
        if (::tcgetattr(slave, &raw) != 0 || (::cfmakeraw(&raw), ::tcsetattr(slave, TCSANOW, &raw)) != 0)
            error = std::string("raw mode: ") + std::strerror(errno);
        ::close(slave);
        path_ = name;
        ::setenv(variable_.c_str(), name, 1);
    }

    PseudoTerminal()
    {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
            error = std::string("openpty: ") + std::strerror(errno);
            return;
        }
        ::close(slave);
        path_ = name;
    }

    ~PseudoTerminal()
    {
        if (!variable_.empty())
            ::unsetenv(variable_.c_str());
        if (master_ >= 0)
            ::close(master_);
    }

    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ready() const { return master_ >= 0 && error.empty(); }
    // The slave side, as the program opens it.
    const std::string& path() const { return path_; }
    int master() const { return master_; }

    // What the program wrote, up to `count` bytes; gives up when nothing more
    // comes within `quietMs` (0: take only what is there already).
    std::string read(std::size_t count, int quietMs = 5000)
    {
        std::string got;
        while (got.size() < count) {
            pollfd ready{master_, POLLIN, 0};
            if (::poll(&ready, 1, quietMs) <= 0)
                break;
            char buffer[512];
            const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
            if (n <= 0)
                break;
            got.append(buffer, std::size_t(n));
        }
        return got;
    }

    // What the printer sends to the program.
    bool write(const std::string& bytes)
    {
        return ::write(master_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }

    // Whether the terminal shows what is typed on it, as the program left it.
    bool echoes() const
    {
        termios settings{};
        return ::tcgetattr(master_, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
    }

    std::string error;

private:
    std::string variable_;
    int master_ = -1;
    std::string path_;
};

}  // namespace quillmar::test
