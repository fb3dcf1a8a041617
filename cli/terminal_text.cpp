#include "terminal_text.h"

#include "system_bytes.h"

namespace quillmar::cli {

QString terminalText(std::string_view bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QString shown;
    shown.reserve(qsizetype(bytes.size()));
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            shown += QStringLiteral("\\\\");
        } else if (byte >= 0x20 && byte < 0x7F) {
            shown += QLatin1Char(c);
        } else {
            shown += QStringLiteral("\\x");
            shown += QLatin1Char(hex[byte >> 4]);
            shown += QLatin1Char(hex[byte & 0xF]);
        }
    }
    return shown;
}

QString terminalText(const QByteArray& bytes)
{
    return terminalText(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

QString terminalText(const QString& argument)
{
    return terminalText(toSystemBytes(argument));
}

}  // namespace quillmar::cli
