#include "maintenance/firmware_file_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

namespace quillmar {
namespace {

FirmwareFileRefusal errorBox(const char* text)
{
    return {QStringLiteral("Error"), QString::fromLatin1(text)};
}

// How many of the first `wanted` bytes can be read; -1 when the file cannot be
// opened. Opened without waiting, so a FIFO or device cannot hang the dialog.
qint64 readableBytes(const QByteArray& path, qint64 wanted, bool& regular)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info {};
    regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    qint64 done = 0;
    char buffer[16];
    while (regular && done < wanted) {
        const ssize_t got = ::read(fd, buffer, std::size_t(wanted - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    ::close(fd);
    return done;
}

}  // namespace

QStringList upgradePortNames()
{
    QStringList names;
    for (int port = 1; port <= kUpgradePortCount; ++port)
        names << QStringLiteral("COM%1").arg(port);
    return names;
}

std::optional<int> commPortOfName(const QString& portName)
{
    for (int port = 1; port <= 9; ++port) {
        if (portName == QStringLiteral("COM%1").arg(port))
            return port;
    }
    return std::nullopt;
}

std::optional<FirmwareFileRefusal> checkFirmwareFile(const QString& path)
{
    if (path.isEmpty())
        return errorBox("file can't be blank");
    return checkFirmwareFile(QFile::encodeName(path));
}

std::optional<FirmwareFileRefusal> checkFirmwareFile(const QByteArray& path)
{
    if (path.isEmpty())
        return errorBox("file can't be blank");
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return errorBox("file isn't exists");
    bool regular = false;
    const qint64 readable = readableBytes(path, kFirmwareMinimumBytes, regular);
    if (readable < 0 || !regular)
        return errorBox("open file failed");
    if (readable < kFirmwareMinimumBytes)
        return errorBox("read file failed");
    // The worker opens it again as a stream.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return FirmwareFileRefusal{QStringLiteral("Read File Error"), QStringLiteral("Cannot open input file.!!!")};
    ::close(fd);
    return std::nullopt;
}

}  // namespace quillmar
