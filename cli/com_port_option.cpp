#include "com_port_option.h"

#include "terminal_text.h"

namespace quillmar::cli {

QCommandLineOption comPortOption(const QString& description)
{
    return {QStringLiteral("port"), description, QStringLiteral("COMn")};
}

std::optional<int> parseComPort(const QString& text, int highest, QString& error)
{
    bool number = false;
    const int port = text.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? text.mid(3).toInt(&number) : 0;
    // Digits only: no sign, no blank, no leading zero.
    if (number && port >= 1 && port <= highest && text.mid(3) == QString::number(port))
        return port;
    error = QStringLiteral("--port takes COM1 to COM%1, not '%2'").arg(highest).arg(terminalText(text));
    return std::nullopt;
}

}  // namespace quillmar::cli
