#include "print_port.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "bound_socket.h"
#include "command_port.h"
#include "record/ipv4_text.h"

namespace quillmar::sim {

namespace {

// The ESC/POS cut a slip ends with: GS V and a mode.
bool endsWithCut(const std::string& bytes)
{
    const std::size_t at = bytes.rfind("\x1DV");
    return at != std::string::npos && bytes.size() - at <= 4;
}

}  // namespace

PrintPorts::PrintPorts(RequestLog& log, EventLoop& loop) : log_(log), loop_(loop)
{
}

PrintPorts::~PrintPorts()
{
    for (const auto& [fd, job] : jobs_)
        ::close(fd);
    for (const int fd : listeners_)
        ::close(fd);
}

bool PrintPorts::open(const std::vector<std::uint32_t>& addresses, const std::vector<std::uint16_t>& ports,
                      std::string& error)
{
    for (const std::uint32_t address : addresses) {
        for (const std::uint16_t port : ports) {
            const int fd = listeningSocket(address, port);
            if (fd < 0) {
                error = "cannot listen on " + formatIpv4(address) + ":" + std::to_string(port)
                        + " for print jobs: " + std::strerror(errno);
                return false;
            }
            listeners_.push_back(fd);
            loop_.watch(fd, [this, fd] { accept(fd); });
        }
    }
    return true;
}

void PrintPorts::accept(int listener)
{
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    jobs_[fd] = Job{formatIpv4(ntohl(local.sin_addr.s_addr)) + ":" + std::to_string(ntohs(local.sin_port)), {}};
    loop_.watch(fd, [this, fd] { serve(fd); });
}

void PrintPorts::serve(int fd)
{
    char buffer[1024];
    const ssize_t length = ::recv(fd, buffer, sizeof buffer, 0);
    if (length < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    Job& job = jobs_[fd];
    if (length > 0 && job.bytes.size() < 65536) {
        job.bytes.append(buffer, std::size_t(length));
        return;
    }
    log_.write("print-job", "to=" + job.to + " len=" + std::to_string(job.bytes.size()) + " cut="
                                + (endsWithCut(job.bytes) ? "yes" : "no") + " text=" + escapedBytes(job.bytes));
    loop_.unwatch(fd);
    ::close(fd);
    jobs_.erase(fd);
}

}  // namespace quillmar::sim
