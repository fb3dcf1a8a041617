#include "csv_text.h"

namespace quillmar::cli {

QString csvRecord(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& field : fields) {
        // A lone empty field would be an empty line, and a byte order mark in
        // front of the table would be taken for the file's: quoted, both read
        // back as they were.
        const bool alone = fields.size() == 1 && field.isEmpty();
        if (alone || field.startsWith(QChar(0xFEFF)) || field.contains(u',') || field.contains(u'"')
            || field.contains(u'\n') || field.contains(u'\r')) {
            QString inner = field;
            inner.replace(u'"', QStringLiteral("\"\""));
            quoted << u'"' + inner + u'"';
        } else {
            quoted << field;
        }
    }
    return quoted.join(u',') + QStringLiteral("\r\n");
}

std::optional<std::vector<CsvRecord>> parseCsv(const QString& text, QString& error)
{
    std::vector<CsvRecord> records;
    CsvRecord record;
    QString field;
    int line = 1;
    record.line = 1;
    bool quoted = false;      // inside a quoted field
    bool afterQuote = false;  // a quoted field ended; only a comma or line end may follow
    bool recordHasText = false;
    const auto endField = [&] {
        record.fields << field;
        field.clear();
        afterQuote = false;
    };
    const auto endRecord = [&] {
        endField();
        if (recordHasText || record.fields.size() > 1 || !record.fields.constFirst().isEmpty())
            records.push_back(record);
        record = CsvRecord{};
        record.line = line;
        recordHasText = false;
    };
    // Read as text, the mark would make the header's first name unknown.
    const qsizetype start = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
    for (qsizetype i = start; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                    afterQuote = true;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u',') {
            endField();
            recordHasText = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++line;
            endRecord();
        } else if (afterQuote) {
            error = QStringLiteral("line %1: text after a closing quote").arg(line);
            return std::nullopt;
        } else if (c == u'"' && field.isEmpty()) {
            quoted = true;
            recordHasText = true;
        } else {
            field += c;
            recordHasText = true;
        }
    }
    if (quoted) {
        error = QStringLiteral("line %1: a quote is never closed").arg(record.line);
        return std::nullopt;
    }
    if (recordHasText || !field.isEmpty())
        endRecord();
    return records;
}

}  // namespace quillmar::cli
