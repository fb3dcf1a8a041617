#include "platform/socket_layer.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace quillmar {

int checkSocketLayer()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

}  // namespace quillmar
