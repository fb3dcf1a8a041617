#pragma once
// Comma-separated values as RFC 4180 has them: a field with a comma, a double
// quote or a line break is quoted, and a quote inside is doubled. What
// discover --csv writes, config apply --map reads back.
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quillmar::cli {

// One record, ended by CR LF.
QString csvRecord(const QStringList& fields);

struct CsvRecord {
    int line = 0;  // where the record begins, from 1
    QStringList fields;
};

// Every record of `text` (a line end at the very end is no record, nor is an
// empty line). Lines may end in CR LF, LF or CR. A byte order mark in front,
// which spreadsheets write before a UTF-8 table, is not part of the first
// field. Nothing, with `error` naming the line, for a quote left open or text
// after a closing quote.
std::optional<std::vector<CsvRecord>> parseCsv(const QString& text, QString& error);

}  // namespace quillmar::cli
