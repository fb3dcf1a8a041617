#include "bound_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace quillmar::sim {
namespace {

// Closes `fd` and keeps the errno of what failed before it.
int failed(int fd)
{
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
}

}  // namespace

int boundSocket(int type, std::uint32_t address, std::uint16_t port)
{
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return failed(fd);
    return fd;
}

int listeningSocket(std::uint32_t address, std::uint16_t port)
{
    const int fd = boundSocket(SOCK_STREAM, address, port);
    if (fd >= 0 && ::listen(fd, 8) != 0)
        return failed(fd);
    return fd;
}

}  // namespace quillmar::sim
