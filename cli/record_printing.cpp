#include "record_printing.h"

#include "record/field_names.h"
#include "terminal_text.h"

namespace quillmar::cli {

namespace {

QString nameOf(DeviceField field)
{
    const std::string_view name = fieldName(field);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

}  // namespace

void printRecordTable(QTextStream& out, const DeviceEntry& record)
{
    qsizetype width = 0;
    for (const FieldLayout& layout : deviceFieldLayout())
        width = std::max(width, nameOf(layout.field).size());
    for (const FieldLayout& layout : deviceFieldLayout())
        out << nameOf(layout.field).leftJustified(width) << " : " << terminalText(record.text(layout.field)) << '\n';
}

QJsonObject recordToJson(const DeviceEntry& record)
{
    QJsonObject object;
    for (const FieldLayout& layout : deviceFieldLayout()) {
        const std::string text = record.text(layout.field);
        object.insert(nameOf(layout.field), QString::fromLatin1(text.data(), qsizetype(text.size())));
    }
    return object;
}

}  // namespace quillmar::cli
