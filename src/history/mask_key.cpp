#include "history/mask_key.h"

#include <QFile>
#include <QHash>
#include <QMessageAuthenticationCode>
#include <QMutex>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "history/state_directory.h"

namespace quillmar {

namespace {

// Reads the key at `path`: nothing with `error` set when it is there but
// unusable, nothing with `error` empty when there is no file yet.
std::optional<QByteArray> readKeyFile(const QByteArray& path, QString& error)
{
    const int descriptor = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        if (errno != ENOENT)
            error = QStringLiteral("%1: %2").arg(QFile::decodeName(path), qt_error_string(errno));
        return std::nullopt;
    }
    struct stat info {};
    QByteArray key(kMaskKeySize, '\0');
    const bool usable = ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
                        && info.st_size == kMaskKeySize
                        && ::read(descriptor, key.data(), std::size_t(kMaskKeySize)) == kMaskKeySize;
    // A key others could read lets them reverse the masks again.
    if (usable && (info.st_mode & 077) != 0)
        ::fchmod(descriptor, 0600);
    ::close(descriptor);
    if (!usable) {
        error = QStringLiteral("%1 is not this user's mask key (%2 random bytes, mode 0600)")
                    .arg(QFile::decodeName(path))
                    .arg(kMaskKeySize);
        return std::nullopt;
    }
    return key;
}

// Makes the key file; two programs making it at once end with one key, the
// one that was linked into place first.
std::optional<QByteArray> makeKeyFile(const QByteArray& path, QString& error)
{
    QByteArray key(kMaskKeySize, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(key.data()), kMaskKeySize / 4);
    const QByteArray temporary = path + ".new-" + QByteArray::number(::getpid());
    const int descriptor = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0) {
        error = QStringLiteral("cannot make %1: %2").arg(QFile::decodeName(temporary), qt_error_string(errno));
        return std::nullopt;
    }
    const bool written = ::write(descriptor, key.constData(), std::size_t(kMaskKeySize)) == kMaskKeySize
                         && ::fsync(descriptor) == 0;
    ::close(descriptor);
    const bool linked = written && ::link(temporary.constData(), path.constData()) == 0;
    const int linkError = errno;
    ::unlink(temporary.constData());
    if (linked)
        return key;
    if (written && linkError == EEXIST)
        return readKeyFile(path, error);
    error =
        QStringLiteral("cannot make %1: %2").arg(QFile::decodeName(path), qt_error_string(written ? linkError : EIO));
    return std::nullopt;
}

}  // namespace

std::optional<QByteArray> maskKeyPath(QString& error)
{
    const std::optional<QByteArray> state = stateDirectory(error);
    if (!state)
        return std::nullopt;
    return *state + "/mask.key";
}

std::optional<QByteArray> userMaskKey(QString& error)
{
    const std::optional<QByteArray> path = maskKeyPath(error);
    if (!path)
        return std::nullopt;
    // The key never changes once made; the state directory may (tests).
    static QMutex lock;
    static QHash<QByteArray, QByteArray> keys;
    const QMutexLocker hold(&lock);
    if (const auto known = keys.constFind(*path); known != keys.constEnd())
        return *known;
    error.clear();
    std::optional<QByteArray> key = readKeyFile(*path, error);
    if (!key && error.isEmpty()) {
        const QByteArray directory = path->left(path->lastIndexOf('/'));
        if (!makePrivateDirectories(directory, error))
            return std::nullopt;
        key = makeKeyFile(*path, error);
    }
    if (key)
        keys.insert(*path, *key);
    return key;
}

QString keyedMask(const QByteArray& maskKey, const QByteArray& text)
{
    const QByteArray mac = QMessageAuthenticationCode::hash(text, maskKey, QCryptographicHash::Sha256);
    return QStringLiteral("hmac:") + QString::fromLatin1(mac.toHex().left(12));
}

}  // namespace quillmar
