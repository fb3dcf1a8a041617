#pragma once
// The secrets a verb may take other than on its command line, where every
// user of the PC can read them (/proc/PID/cmdline) and the shell keeps them:
// the Wi-Fi keys (key, wpaPsk), a device's maintenance password and the
// passphrase of an encrypted settings file. A secrets file holds them as
// "name=value" lines (names in any case; the value is every byte after the
// first '=', up to the line end; empty lines and lines starting with '#' are
// passed over). Like ssh with a private key, a file that anyone but its owner
// may read is refused.
#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

namespace quillmar::cli {

enum class SecretField { Key, WpaPsk, Password, Passphrase };

// "key", "wpaPsk", "password", "passphrase".
QString secretFieldName(SecretField field);
// The field a name stands for, in any case.
std::optional<SecretField> secretFieldOfName(const QString& name);
// "QUILLMAR_KEY", "QUILLMAR_WPAPSK", "QUILLMAR_PASSWORD", "QUILLMAR_PASSPHRASE".
QString secretVariableName(SecretField field);

inline constexpr qint64 kSecretsFileMaxSize = 64 * 1024;

using SecretValues = std::map<SecretField, QByteArray>;

// The values of a secrets file's text. Nothing, with `error` naming the line,
// for a line that is not name=value, an unknown name or a name given twice;
// no message ever repeats a value.
std::optional<SecretValues> parseSecretsText(const QByteArray& text, QString& error);

// The bytes of the secrets file at `path`, or of standard input for "-".
// Refused, with `error` set: a file of another owner, or that its group or
// others may read or write; anything but a regular file or a pipe; a file over
// kSecretsFileMaxSize; standard input that is a terminal (what is typed there
// would show: --ask-secret asks without echo).
std::optional<QByteArray> readSecretsFile(const QByteArray& path, QString& error);

}  // namespace quillmar::cli
