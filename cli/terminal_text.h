#pragma once
// The one way quillmar-cli shows bytes that came from a module, a file or the
// command line on a terminal: printable ASCII as it is, a backslash doubled and
// every other byte as \xHH, so that such text can never drive the terminal and
// can be read back without doubt. JSON output does not use it: QJsonDocument
// escapes for JSON.
#include <QByteArray>
#include <QString>

#include <string_view>

namespace quillmar::cli {

QString terminalText(std::string_view bytes);
QString terminalText(const QByteArray& bytes);
// A word of the command line (a value, a file name) by its system bytes.
QString terminalText(const QString& argument);

}  // namespace quillmar::cli
