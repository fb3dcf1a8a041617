#pragma once
// The serial port a verb is given as "--port COMn", named as the printers'
// documentation and the manager's windows name it; "COMn" is the device in
// QUILLMAR_COMn when that is set, else /dev/ttyS<n-1>.
#include <QCommandLineOption>
#include <QString>

#include <optional>

namespace quillmar::cli {

QCommandLineOption comPortOption(const QString& description);

// The port number of "COM1" ... "COM<highest>" (in any case); nothing, with
// `error` set, for any other text.
std::optional<int> parseComPort(const QString& text, int highest, QString& error);

}  // namespace quillmar::cli
