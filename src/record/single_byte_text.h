#pragma once
// Records and files carry single-byte texts; controls carry QString. Callers
// refuse a text that is not single-byte before it reaches a record
// (checkSingleByteTexts); should one slip through, each character outside
// Latin-1 still becomes one byte ('?'), so no field runs past its width.
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

inline bool isSingleByte(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

inline QString fromSingleByte(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace quillmar
