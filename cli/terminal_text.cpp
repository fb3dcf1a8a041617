#include "terminal_text.h"

#include "record/printable_text.h"
#include "system_bytes.h"

namespace quillmar::cli {

QString terminalText(std::string_view bytes)
{
    return QString::fromLatin1(printableText(bytes));
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
