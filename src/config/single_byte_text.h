#pragma once
// Records and files carry single-byte texts; controls carry QString. A character
// outside Latin-1 cannot travel in a record and becomes '?', one byte per
// character, so lengths counted on the control text and on the record agree.
#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace quillmar {

inline std::string toSingleByte(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

inline QString fromSingleByte(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace quillmar
