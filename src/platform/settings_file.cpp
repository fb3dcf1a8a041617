#include "platform/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace quillmar {
namespace {

constexpr int kTemporaryNameTries = 16;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; false when the close reported a failed write.
    bool reset()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string nativePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// A symbolic link is written through, so the link itself survives the rename.
std::string resolvedTarget(const std::string& path)
{
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        std::string resolved(real);
        std::free(real);
        return resolved;
    }
    return path;
}

// Non-blocking, so that a FIFO or device that appeared after the name was
// checked cannot hang the open; the caller still checks what it opened.
int openWithoutWaiting(const std::string& path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool isRegular(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

bool writeAllAt(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// The temporary file beside the target, created with the permissions the
// target has (or a new file's default ones).
int createTemporaryBeside(const std::string& target, std::string& temporaryPath, const struct stat* old)
{
    const std::size_t slash = target.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        temporaryPath = directory + "/." + name + "."
                        + QByteArray::number(QRandomGenerator::global()->generate(), 36).toStdString() + ".tmp";
        const int fd = openWithoutWaiting(temporaryPath, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            if (old) {
                (void)::fchmod(fd, old->st_mode & 07777);
                if (::geteuid() == 0)
                    (void)::fchown(fd, old->st_uid, old->st_gid);
            }
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

// The directory refuses new names, so the file is rewritten where it is. The
// new bytes go over the old ones before the rest is cut off, so a short write
// still leaves a file that starts with something.
bool writeInPlace(const std::string& target, const QByteArray& bytes)
{
    FileDescriptor fd(openWithoutWaiting(target, O_WRONLY));
    if (!fd.valid() || !isRegular(fd.get()))
        return false;
    if (!writeAllAt(fd.get(), bytes) || ::ftruncate(fd.get(), bytes.size()) != 0)
        return false;
    (void)::fsync(fd.get());
    return fd.reset();
}

}  // namespace

std::optional<QByteArray> readSettingsFile(const QString& path, qsizetype maxBytes)
{
    const std::string native = nativePath(path);
    struct stat info {};
    if (::stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    FileDescriptor fd(openWithoutWaiting(native, O_RDONLY));
    if (!fd.valid() || !isRegular(fd.get()))
        return std::nullopt;
    QByteArray bytes(maxBytes, Qt::Uninitialized);
    qsizetype done = 0;
    while (done < maxBytes) {
        const ssize_t got = ::read(fd.get(), bytes.data() + done, static_cast<size_t>(maxBytes - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        done += got;
    }
    bytes.truncate(done);
    return bytes;
}

bool writeSettingsFile(const QString& path, const QByteArray& bytes)
{
    const std::string target = resolvedTarget(nativePath(path));
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return false;
    // A file made read-only is left as it is, although the directory would
    // allow replacing it.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return false;

    std::string temporaryPath;
    FileDescriptor fd(createTemporaryBeside(target, temporaryPath, exists ? &old : nullptr));
    if (!fd.valid()) {
        const bool directoryRefused = errno == EACCES || errno == EPERM || errno == EROFS;
        return exists && directoryRefused && writeInPlace(target, bytes);
    }
    bool written = writeAllAt(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    written = fd.reset() && written;
    if (written && ::rename(temporaryPath.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temporaryPath.c_str());
    return false;
}

std::optional<QString> settingsConfigDirectory()
{
    // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.startsWith(u'/'))
        return config + QStringLiteral("/quillmar");
    const QString home = qEnvironmentVariable("HOME");
    if (home.startsWith(u'/'))
        return home + QStringLiteral("/.config/quillmar");
    return std::nullopt;
}

QString settingsFilePath(const QString& startDirectory, const QString& name)
{
    const QString started = QDir(startDirectory).filePath(name);
    if (QFileInfo(started).isFile())
        return started;
    const std::optional<QString> config = settingsConfigDirectory();
    return config ? QDir(*config).filePath(name) : started;
}

QString settingsFileToWrite(const QString& startDirectory, const QString& name)
{
    const QString path = settingsFilePath(startDirectory, name);
    const QString directory = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(directory) && QDir().mkpath(directory))
        QFile::setPermissions(directory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

}  // namespace quillmar
