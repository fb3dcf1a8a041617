#include "history/audit_log.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "history/state_directory.h"
#include "record/field_name_text.h"

namespace quillmar {

namespace {

QString loginName()
{
    if (const passwd* account = ::getpwuid(::geteuid()); account && account->pw_name)
        return QString::fromLocal8Bit(account->pw_name);
    const QByteArray user = qgetenv("USER");
    return user.isEmpty() ? QString::number(::geteuid()) : QString::fromLocal8Bit(user);
}

QString programName()
{
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return QStringLiteral("quillmar");
}

// Writes `line` with one call when the system lets it, so the line is whole in
// the file; the lock keeps another program's line out of a short write. An
// append cut short before (a full disk) leaves the file without its last line
// end: the new line then starts on a line of its own, so that the cut line is
// the only one lost, not this one glued onto it.
bool appendLocked(int descriptor, const QByteArray& line, QString& error)
{
    while (::flock(descriptor, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = qt_error_string(errno);
            return false;
        }
    }
    QByteArray bytes = line;
    struct stat info {};
    if (::fstat(descriptor, &info) == 0 && info.st_size > 0) {
        char last = 0;
        // When the last byte cannot be read, a line end too many only makes an
        // empty line, which readers pass over; one too few loses this line.
        if (::pread(descriptor, &last, 1, info.st_size - 1) != 1 || last != '\n')
            bytes.prepend('\n');
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = qt_error_string(errno);
            break;
        }
        done += written;
    }
    ::flock(descriptor, LOCK_UN);
    return done == bytes.size();
}

}  // namespace

std::optional<QByteArray> auditLogPath(QString& error)
{
    const std::optional<QByteArray> state = stateDirectory(error);
    if (!state)
        return std::nullopt;
    return *state + "/audit.jsonl";
}

QByteArray auditJson(const AuditEntry& entry)
{
    QJsonObject object;
    object.insert(QStringLiteral("time"), entry.time.toUTC().toString(Qt::ISODateWithMs));
    object.insert(QStringLiteral("user"), entry.user);
    object.insert(QStringLiteral("program"), entry.program);
    object.insert(QStringLiteral("operation"), entry.operation);
    object.insert(QStringLiteral("macAddress"), entry.macAddress);
    // Only a write that read a record knows the printer's name.
    if (!entry.deviceName.isEmpty())
        object.insert(QStringLiteral("deviceName"), entry.deviceName);
    object.insert(QStringLiteral("address"), entry.address);
    QJsonObject changes;
    for (const ChangedField& change : entry.changes) {
        changes.insert(nameOf(change.field),
                       QJsonObject{{QStringLiteral("from"), change.from}, {QStringLiteral("to"), change.to}});
    }
    object.insert(QStringLiteral("changes"), changes);
    object.insert(QStringLiteral("backup"), entry.backup);
    if (entry.image) {
        object.insert(QStringLiteral("image"), QJsonObject{{QStringLiteral("size"), double(entry.image->size)},
                                                           {QStringLiteral("sha256"), entry.image->sha256}});
    }
    object.insert(QStringLiteral("verdict"), entry.verdict);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<QString> appendAudit(AuditEntry entry, const QByteArray& path)
{
    if (!entry.time.isValid())
        entry.time = QDateTime::currentDateTimeUtc();
    if (entry.user.isEmpty())
        entry.user = loginName();
    if (entry.program.isEmpty())
        entry.program = programName();

    QString error;
    QByteArray file = path;
    if (file.isEmpty()) {
        const std::optional<QByteArray> found = auditLogPath(error);
        if (!found)
            return error;
        file = *found;
    }
    const qsizetype slash = file.lastIndexOf('/');
    if (slash > 0 && !makePrivateDirectories(file.left(slash), error))
        return error;
    // Opened for reading too: the last byte tells whether an earlier append was cut short.
    const int descriptor = ::open(file.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
        return QStringLiteral("cannot open %1: %2").arg(QFile::decodeName(file), qt_error_string(errno));
    const bool written = appendLocked(descriptor, auditJson(entry) + '\n', error);
    ::close(descriptor);
    if (!written)
        return QStringLiteral("cannot write %1: %2").arg(QFile::decodeName(file), error);
    return std::nullopt;
}

std::optional<AuditImage> imageOfFile(const QByteArray& path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return std::nullopt;
    return AuditImage{file.size(), QString::fromLatin1(hash.result().toHex())};
}

std::optional<std::vector<AuditLogLine>> readAuditLog(const QByteArray& path, QString& error)
{
    std::vector<AuditLogLine> lines;
    QFile file(QFile::decodeName(path));
    if (!file.exists())
        return lines;
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        return std::nullopt;
    }
    int number = 0;
    while (!file.atEnd()) {
        QByteArray text = file.readLine();
        ++number;
        const bool whole = text.endsWith('\n');
        if (whole)
            text.chop(1);
        if (text.isEmpty() && whole)
            continue;
        AuditLogLine line;
        line.number = number;
        QJsonParseError parse{};
        const QJsonDocument document = QJsonDocument::fromJson(text, &parse);
        if (!whole)
            line.damage = QStringLiteral("the line has no end (a write was cut short)");
        else if (parse.error != QJsonParseError::NoError)
            line.damage = parse.errorString();
        else if (!document.isObject() || !document.object().value(QStringLiteral("time")).isString())
            line.damage = QStringLiteral("not an entry of the log");
        else
            line.object = document.object();
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace quillmar
