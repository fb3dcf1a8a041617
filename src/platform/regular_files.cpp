#include "platform/regular_files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmar {

namespace {

// Closes a descriptor when the scope ends.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, std::size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

QByteArray directoryOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Moves the finished temporary file to `path`. Without `replace`, a file that
// appeared there meanwhile is not replaced.
PrivateWrite moveInto(const QByteArray& temporary, const QByteArray& path, bool replace)
{
    if (replace) {
        struct stat target {};
        if (::lstat(path.constData(), &target) == 0 && !S_ISREG(target.st_mode))
            return PrivateWrite::NotRegular;
        return ::rename(temporary.constData(), path.constData()) == 0 ? PrivateWrite::Written
                                                                      : PrivateWrite::WriteFailed;
    }
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, path.constData(), RENAME_NOREPLACE) == 0)
        return PrivateWrite::Written;
    if (errno == EEXIST)
        return PrivateWrite::Exists;
    if (errno != EINVAL && errno != ENOSYS)
        return PrivateWrite::WriteFailed;
    // A file system without RENAME_NOREPLACE: a hard link refuses an existing name too.
    if (::link(temporary.constData(), path.constData()) == 0) {
        ::unlink(temporary.constData());
        return PrivateWrite::Written;
    }
    return errno == EEXIST ? PrivateWrite::Exists : PrivateWrite::WriteFailed;
}

}  // namespace

RegularFileRead readRegularFile(const QByteArray& path, qint64 maxSize)
{
    using Status = RegularFileRead::Status;
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? Status::Missing : Status::NotOpened, {}};
    if (!S_ISREG(info.st_mode))
        return {Status::NotOpened, {}};
    // Non-blocking, so a FIFO put there since the check cannot hold the read.
    Descriptor file{::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return {Status::NotOpened, {}};
    if (info.st_size < 1 || info.st_size > maxSize)
        return {Status::BadSize, {}};
    QByteArray bytes(qsizetype(info.st_size), '\0');
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.fd, bytes.data() + got, std::size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {Status::BadSize, {}};
        got += n;
    }
    return {Status::Read, bytes};
}

PrivateWrite writePrivateFile(const QByteArray& path, const QByteArray& bytes, bool replace)
{
    struct stat target {};
    if (::lstat(path.constData(), &target) == 0) {
        if (!S_ISREG(target.st_mode))
            return PrivateWrite::NotRegular;
        if (!replace)
            return PrivateWrite::Exists;
    }
    QByteArray temporary = directoryOf(path) + "/.quillmar-export-XXXXXX";
    // mkstemp makes the file with mode 0600.
    Descriptor file{::mkostemp(temporary.data(), O_CLOEXEC)};
    if (file.fd < 0)
        return PrivateWrite::CreateFailed;
    const bool written = writeAll(file.fd, bytes) && ::fsync(file.fd) == 0;
    const bool closed = ::close(file.fd) == 0;
    file.fd = -1;
    const PrivateWrite result = written && closed ? moveInto(temporary, path, replace) : PrivateWrite::WriteFailed;
    if (result != PrivateWrite::Written)
        ::unlink(temporary.constData());
    return result;
}

}  // namespace quillmar
