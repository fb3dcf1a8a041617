#include "secrets_file.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "terminal_text.h"

namespace quillmar::cli {

namespace {

constexpr SecretField kFields[] = {SecretField::Key, SecretField::WpaPsk, SecretField::Password,
                                   SecretField::Passphrase};

// Reads all of `descriptor`, at most kSecretsFileMaxSize bytes.
std::optional<QByteArray> readAll(int descriptor, const QString& shown, QString& error)
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = QStringLiteral("%1: %2").arg(shown, qt_error_string(errno));
            return std::nullopt;
        }
        if (got == 0)
            return bytes;
        bytes.append(buffer, got);
        if (bytes.size() > kSecretsFileMaxSize) {
            error = QStringLiteral("%1 holds more than %2 bytes; a secrets file is a few lines")
                        .arg(shown)
                        .arg(kSecretsFileMaxSize);
            return std::nullopt;
        }
    }
}

}  // namespace

QString secretFieldName(SecretField field)
{
    switch (field) {
    case SecretField::Key:
        return QStringLiteral("key");
    case SecretField::WpaPsk:
        return QStringLiteral("wpaPsk");
    case SecretField::Password:
        return QStringLiteral("password");
    case SecretField::Passphrase:
        break;
    }
    return QStringLiteral("passphrase");
}

std::optional<SecretField> secretFieldOfName(const QString& name)
{
    for (const SecretField field : kFields) {
        if (name.compare(secretFieldName(field), Qt::CaseInsensitive) == 0)
            return field;
    }
    return std::nullopt;
}

QString secretVariableName(SecretField field)
{
    return QStringLiteral("QUILLMAR_") + secretFieldName(field).toUpper();
}

std::optional<SecretValues> parseSecretsText(const QByteArray& text, QString& error)
{
    SecretValues values;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const int number = int(i) + 1;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) {
            error = QStringLiteral("line %1 is not name=value").arg(number);
            return std::nullopt;
        }
        const QByteArray name = line.left(equals).trimmed();
        const std::optional<SecretField> field = secretFieldOfName(QString::fromLatin1(name));
        if (!field) {
            error = QStringLiteral("line %1: '%2' is not a secret this program takes (key, wpaPsk, password, "
                                   "passphrase)")
                        .arg(number)
                        .arg(terminalText(name.left(40)));
            return std::nullopt;
        }
        if (values.count(*field) != 0) {
            error = QStringLiteral("line %1: %2 is given twice").arg(number).arg(secretFieldName(*field));
            return std::nullopt;
        }
        values.emplace(*field, line.mid(equals + 1));
    }
    return values;
}

std::optional<QByteArray> readSecretsFile(const QByteArray& path, QString& error)
{
    if (path == "-") {
        const QString shown = QStringLiteral("standard input");
        if (::isatty(STDIN_FILENO) == 1) {
            error = QStringLiteral("--secrets - reads standard input, which is a terminal here, where the secrets "
                                   "would show as they are typed; --ask-secret NAME asks without showing them");
            return std::nullopt;
        }
        return readAll(STDIN_FILENO, shown, error);
    }
    const QString shown = terminalText(path);
    // A FIFO is opened without blocking, so that one nobody writes to is not
    // waited on before it is checked.
    const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        error = QStringLiteral("%1: %2").arg(shown, qt_error_string(errno));
        return std::nullopt;
    }
    struct stat info {};
    std::optional<QByteArray> bytes;
    if (::fstat(descriptor, &info) != 0) {
        error = QStringLiteral("%1: %2").arg(shown, qt_error_string(errno));
    } else if (!S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode)) {
        error = QStringLiteral("%1 is not a regular file").arg(shown);
    } else if (info.st_uid != ::geteuid()) {
        error = QStringLiteral("%1 belongs to another user (uid %2): a secrets file must be the user's own, "
                               "mode 0600")
                    .arg(shown)
                    .arg(info.st_uid);
    } else if ((info.st_mode & 077) != 0) {
        error = QStringLiteral("%1 can be read or changed by others (mode %2): a secrets file must be mode 0600 "
                               "(chmod 600 %1)")
                    .arg(shown)
                    .arg(QString::number(info.st_mode & 0777, 8).rightJustified(4, u'0'));
    } else {
        // Process substitution (<(pass show shop)) gives a pipe: its writer
        // may still be starting, so it is read blocking.
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
        bytes = readAll(descriptor, shown, error);
    }
    ::close(descriptor);
    return bytes;
}

}  // namespace quillmar::cli
