#include "record_printing.h"

#include <QJsonDocument>
#include <QString>

#include <cstring>

namespace quillmar::cli {

std::string printableText(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown += c;
        } else if (byte == '\\') {
            shown += "\\\\";
        } else {
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0xF];
        }
    }
    return shown;
}

void printRecordTable(std::FILE* out, const DeviceEntry& record)
{
    std::size_t captionWidth = 0;
    for (const FieldLayout& layout : deviceFieldLayout())
        captionWidth = std::max(captionWidth, std::strlen(layout.columnCaption));
    for (const FieldLayout& layout : deviceFieldLayout()) {
        std::fprintf(out, "%-*s : %s\n", int(captionWidth), layout.columnCaption,
                     printableText(record.text(layout.field)).c_str());
    }
}

QJsonObject recordToJson(const DeviceEntry& record)
{
    QJsonObject object;
    for (const FieldLayout& layout : deviceFieldLayout()) {
        const std::string text = record.text(layout.field);
        object.insert(QLatin1String(layout.columnCaption),
                      QString::fromLatin1(text.data(), qsizetype(text.size())));
    }
    return object;
}

void printRecordJson(std::FILE* out, const DeviceEntry& record)
{
    const QByteArray json = QJsonDocument(recordToJson(record)).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, std::size_t(json.size()), out);
}

}  // namespace quillmar::cli
