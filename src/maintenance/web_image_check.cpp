#include "maintenance/web_image_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "maintenance/web_image_format.h"

namespace quillmar {

std::optional<std::string> checkWebImageFile(const std::string& path)
{
    if (path.empty())
        return "file can't be blank";
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? "file isn't exists" : "open file failed";
    if (!S_ISREG(status.st_mode))
        return "open file failed";
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return "open file failed";
    std::string head(kWebImageHeaderBytes, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got < head.size())
        return "read file failed";
    if (!hasWebImageMarks(head))
        return "file can't be recognised";
    return std::nullopt;
}

}  // namespace quillmar
