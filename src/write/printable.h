#pragma once
// Texts of a record in the messages of a write: a printer's bytes (and what a
// user typed, read as single bytes) shown so that they can never drive a
// terminal or a log, as record/printable_text.h escapes them.
#include <QString>

#include <string_view>

#include "record/printable_text.h"

namespace quillmar {

inline QString printable(std::string_view bytes)
{
    return QString::fromLatin1(printableText(bytes));
}

inline QString printable(const QString& latin1)
{
    const QByteArray bytes = latin1.toLatin1();
    return printable(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace quillmar
