#pragma once
// The serial port a verb is given as "--port COMn", named as the printers'
// documentation and the manager's windows name it ("COMn" is the device in
// QUILLMAR_COMn when that is set, else /dev/ttyS<n-1>), or as the device's own
// path (/dev/ttyUSB0), as Linux names it.
#include <QCommandLineOption>
#include <QString>

#include <optional>

namespace quillmar::cli {

inline constexpr int kHighestComPort = 256;

QCommandLineOption comPortOption(const QString& description);

struct SerialPortChoice {
    int number = 0;  // COMn; 0 for a device path
    QString path;    // the device path given; empty for COMn

    // "COM3", or the path: what the upgrade's request and the output name.
    QString name() const;
};

// "COM1" ... "COM256" (in any case) or an absolute path; nothing, with `error`
// set to a message that names both forms and the QUILLMAR_COMn mapping, for
// any other text.
std::optional<SerialPortChoice> parseSerialPort(const QString& text, QString& error);

}  // namespace quillmar::cli
