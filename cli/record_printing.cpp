#include "record_printing.h"

#include "history/record_changes.h"
#include "record/field_name_text.h"
#include "record/field_names.h"
#include "record/single_byte_text.h"
#include "terminal_text.h"

namespace quillmar::cli {

namespace {

}  // namespace

QCommandLineOption showKeysOption()
{
    return {QStringLiteral("show-secrets"), QStringLiteral("Wi-Fi keys (key, wpaPsk) in clear instead of ********")};
}

QCommandLineOption wideOption()
{
    return {QStringLiteral("wide"), QStringLiteral("everything on its line, however wide the terminal")};
}

QString fieldText(const DeviceEntry& record, DeviceField field, bool showSecrets)
{
    const std::string text = record.text(field);
    if (isKeyField(field) && !showSecrets && !text.empty())
        return QString::fromLatin1(kHiddenKey);
    return terminalText(text);
}

void printRecordTable(QTextStream& out, const DeviceEntry& record, const RecordText& text)
{
    qsizetype width = 0;
    for (const FieldLayout& layout : deviceFieldLayout())
        width = std::max(width, nameOf(layout.field).size());
    const QString separator = QStringLiteral(" : ");
    // A value that does not fit goes on in pieces under its own start.
    const qsizetype room = text.width > 0 ? std::max<qsizetype>(text.width - width - separator.size(), 8) : 0;
    for (const FieldLayout& layout : deviceFieldLayout()) {
        const QString value = fieldText(record, layout.field, text.showSecrets);
        out << nameOf(layout.field).leftJustified(width) << separator;
        if (room == 0 || value.size() <= room) {
            out << value << '\n';
            continue;
        }
        for (qsizetype at = 0; at < value.size(); at += room)
            out << (at == 0 ? QString() : QString(width + separator.size(), u' ')) << value.mid(at, room) << '\n';
    }
}

QJsonObject recordToJson(const DeviceEntry& record)
{
    QJsonObject object;
    for (const FieldLayout& layout : deviceFieldLayout()) {
        object.insert(nameOf(layout.field), fromSingleByte(record.text(layout.field)));
    }
    return object;
}

}  // namespace quillmar::cli
