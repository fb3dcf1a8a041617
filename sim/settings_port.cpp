#include "settings_port.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillmar::sim {

struct SettingsPorts::Port {
    Port(SettingsPrinter printer, RequestLog& log, std::string link)
        : responder(std::move(printer), kSerialLeadingBytes, &log, link), linkPath(std::move(link))
    {
    }
    ~Port()
    {
        // The link goes only while it still names this pty.
        char target[256] = {};
        if (!linkPath.empty() && ::readlink(linkPath.c_str(), target, sizeof target - 1) > 0 && slaveName == target)
            ::unlink(linkPath.c_str());
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
    }

    SettingsResponder responder;
    std::string linkPath;
    std::string slaveName;
    int master = -1;
    // Held open so the master side never reads as hung up between the PC's
    // exchanges, and the raw line settings stay in place.
    int slave = -1;
};

std::optional<SettingsPortOptions> parseSettingsPortOptions(const std::string& option, std::string& error)
{
    const std::size_t comma = option.find(',');
    SettingsPortOptions want;
    want.linkPath = option.substr(0, comma);
    if (want.linkPath.empty()) {
        error = "--settings-pty needs a path for the link";
        return std::nullopt;
    }
    const std::optional<SettingsPrinter> printer = parseSettingsPrinter(
        comma == std::string::npos ? std::string() : option.substr(comma + 1), error);
    if (!printer)
        return std::nullopt;
    want.printer = *printer;
    return want;
}

SettingsPorts::SettingsPorts(RequestLog& log) : log_(log)
{
}

SettingsPorts::~SettingsPorts() = default;

bool SettingsPorts::open(const std::vector<SettingsPortOptions>& wanted, EventLoop& loop, std::string& error)
{
    for (const SettingsPortOptions& want : wanted) {
        auto port = std::make_unique<Port>(want.printer, log_, want.linkPath);
        char name[256] = {};
        if (::openpty(&port->master, &port->slave, name, nullptr, nullptr) != 0) {
            error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        port->slaveName = name;
        termios raw{};
        if (::tcgetattr(port->slave, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(port->slave, TCSANOW, &raw);
        }
        ::fcntl(port->master, F_SETFD, FD_CLOEXEC);
        ::fcntl(port->slave, F_SETFD, FD_CLOEXEC);
        ::fcntl(port->master, F_SETFL, ::fcntl(port->master, F_GETFL) | O_NONBLOCK);

        // An old link (from a simulator that was killed) is replaced; anything
        // else at that path is left alone.
        struct stat existing {};
        if (::lstat(want.linkPath.c_str(), &existing) == 0) {
            if (!S_ISLNK(existing.st_mode)) {
                error = want.linkPath + " exists and is not a link; not replacing it";
                return false;
            }
            ::unlink(want.linkPath.c_str());
        }
        if (::symlink(name, want.linkPath.c_str()) != 0) {
            error = "cannot link " + want.linkPath + " to " + name + ": " + std::strerror(errno);
            port->linkPath.clear();
            return false;
        }
        Port& served = *port;
        loop.watch(served.master, [this, &served] { serve(served); });
        log_.write("settings-port", "port=" + want.linkPath + " pty=" + name);
        ports_.push_back(std::move(port));
    }
    return true;
}

void SettingsPorts::serve(Port& port)
{
    unsigned char buffer[512];
    const ssize_t length = ::read(port.master, buffer, sizeof buffer);
    if (length <= 0)
        return;
    const std::vector<unsigned char> answer = port.responder.receive(buffer, std::size_t(length));
    std::size_t written = 0;
    while (written < answer.size()) {
        const ssize_t count = ::write(port.master, answer.data() + written, answer.size() - written);
        if (count > 0) {
            written += std::size_t(count);
        } else if (count < 0 && errno == EAGAIN) {
            // The PC is not reading; give it a moment, then drop the rest.
            pollfd watched{port.master, POLLOUT, 0};
            if (::poll(&watched, 1, 1000) <= 0)
                break;
        } else if (count < 0 && errno != EINTR) {
            break;
        }
    }
}

}  // namespace quillmar::sim
