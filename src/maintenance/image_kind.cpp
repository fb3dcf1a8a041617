#include "maintenance/image_kind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace quillmar {

namespace {

bool startsWith(const QByteArray& head, const char* signature, qsizetype length)
{
    return head.size() >= length && head.startsWith(QByteArray::fromRawData(signature, length));
}

bool isTextByte(unsigned char c)
{
    return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

}  // namespace

std::optional<QString> lookalikeKind(const QByteArray& head)
{
    struct Signature {
        const char* bytes;
        qsizetype length;
        const char* kind;
    };
    static const Signature signatures[] = {
        {"PK\x03\x04", 4, "a ZIP archive"},
        {"PK\x05\x06", 4, "a ZIP archive"},
        {"PK\x07\x08", 4, "a ZIP archive"},
        {"\x1F\x8B", 2, "a gzip archive"},
        {"\xFD"
         "7zXZ\x00",
         6, "an xz archive"},
        {"7z\xBC\xAF\x27\x1C", 6, "a 7z archive"},
        {"\x7F"
         "ELF",
         4, "an ELF program"},
        {"MZ", 2, "a Windows program"},
        {"%PDF", 4, "a PDF document"},
    };
    for (const Signature& signature : signatures) {
        if (startsWith(head, signature.bytes, signature.length))
            return QString::fromLatin1(signature.kind);
    }
    const QByteArray text = head.left(kImageKindProbeBytes).trimmed().toLower();
    if (text.startsWith("<?xml"))
        return QStringLiteral("an XML document");
    if (text.startsWith("<!doctype") || text.startsWith("<html"))
        return QStringLiteral("an HTML page");
    const QByteArray probe = head.left(kImageKindProbeBytes);
    if (!probe.isEmpty()
        && std::all_of(probe.begin(), probe.end(), [](char c) { return isTextByte(static_cast<unsigned char>(c)); }))
        return QStringLiteral("a text file");
    return std::nullopt;
}

std::optional<QString> notAnImage(const QByteArray& path, const QString& image)
{
    // Opened without waiting: only a regular file is read.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    QByteArray head;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        head.resize(kImageKindProbeBytes);
        qsizetype done = 0;
        while (done < head.size()) {
            const ssize_t got = ::read(fd, head.data() + done, std::size_t(head.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        head.resize(done);
    }
    ::close(fd);
    const std::optional<QString> kind = lookalikeKind(head);
    if (!kind)
        return std::nullopt;
    return QStringLiteral("This file is %1, not %2").arg(*kind, image);
}

}  // namespace quillmar
