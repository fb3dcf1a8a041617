#include "com_port_option.h"

#include "terminal_text.h"

namespace quillmar::cli {

QCommandLineOption comPortOption(const QString& description)
{
    return {QStringLiteral("port"), description, QStringLiteral("COMn|DEVICE")};
}

QString SerialPortChoice::name() const
{
    return path.isEmpty() ? QStringLiteral("COM%1").arg(number) : path;
}

std::optional<SerialPortChoice> parseSerialPort(const QString& text, QString& error)
{
    if (text.startsWith(u'/'))
        return SerialPortChoice{0, text};
    bool number = false;
    const int port = text.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? text.mid(3).toInt(&number) : 0;
    // Digits only: no sign, no blank, no leading zero.
    if (number && port >= 1 && port <= kHighestComPort && text.mid(3) == QString::number(port))
        return SerialPortChoice{port, QString()};
    error = QStringLiteral("--port takes COM1 to COM%1 (COMn is the device in QUILLMAR_COMn when that is set, "
                           "else /dev/ttyS<n-1>) or a device path such as /dev/ttyUSB0, not '%2'")
                .arg(kHighestComPort)
                .arg(terminalText(text));
    return std::nullopt;
}

}  // namespace quillmar::cli
