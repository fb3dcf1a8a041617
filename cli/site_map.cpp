#include "site_map.h"

#include <QFile>

#include <algorithm>
#include <map>

#include "csv_text.h"
#include "history/record_backups.h"
#include "history/record_changes.h"
#include "inventory_cell.h"
#include "platform/regular_files.h"
#include "record/field_name_text.h"
#include "record/ipv4_text.h"
#include "terminal_text.h"
#include "write/write_plan.h"

namespace quillmar::cli {

namespace {

// Columns an inventory carries that a map does not apply.
bool isIgnoredColumn(const QString& name)
{
    for (const char* ignored : {"address", "interface", "modelName"}) {
        if (name.compare(QLatin1String(ignored), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

}  // namespace

bool isWholeMac(const QByteArray& text)
{
    // Six pairs with one kind of separator, three groups of four with dots,
    // or twelve digits: a cell with anything more names no one printer.
    static const QRegularExpression mac(QStringLiteral(
        "^([0-9A-Fa-f]{2})([-:.])([0-9A-Fa-f]{2})\\2([0-9A-Fa-f]{2})\\2([0-9A-Fa-f]{2})\\2([0-9A-Fa-f]{2})\\2"
        "([0-9A-Fa-f]{2})$|^[0-9A-Fa-f]{4}\\.[0-9A-Fa-f]{4}\\.[0-9A-Fa-f]{4}$|^[0-9A-Fa-f]{12}$"));
    return mac.match(QString::fromLatin1(text)).hasMatch();
}

std::optional<std::vector<MapRow>> readSiteMap(const QByteArray& path, QStringList& refusals,
                                               std::set<DeviceField>* columnsNamed)
{
    const QString shown = terminalText(path);
    // A FIFO, a device or a file of any size would hold the run up or eat the memory.
    const RegularFileRead file = readRegularFile(path, kLargestMap);
    switch (file.status) {
    case RegularFileRead::Status::Read:
        break;
    case RegularFileRead::Status::Missing:
        refusals << QStringLiteral("%1: no such file").arg(shown);
        return std::nullopt;
    case RegularFileRead::Status::NotOpened:
        refusals << QStringLiteral("%1 is not a regular file that can be read").arg(shown);
        return std::nullopt;
    case RegularFileRead::Status::BadSize:
        refusals << QStringLiteral("%1 is empty or larger than %2 MiB, more than a map of any site")
                        .arg(shown)
                        .arg(kLargestMap / (1024 * 1024));
        return std::nullopt;
    }
    QString error;
    const std::optional<std::vector<CsvRecord>> records = parseCsv(QString::fromUtf8(file.bytes), error);
    if (!records) {
        refusals << QStringLiteral("%1 %2").arg(shown, error);
        return std::nullopt;
    }
    if (records->empty()) {
        refusals << QStringLiteral("%1 is empty: a header row with macAddress is wanted").arg(shown);
        return std::nullopt;
    }
    const auto refuse = [&](int line, const QString& why) {
        refusals << QStringLiteral("%1 line %2: %3").arg(shown).arg(line).arg(why);
    };

    // The header: which column is the MAC, which are fields, which are left alone.
    const CsvRecord& header = records->front();
    int macColumn = -1;
    std::vector<std::optional<DeviceField>> columns;
    // A field in two columns would take whichever came last, so a map with two
    // MAC columns would write another printer than the one a reader sees.
    std::map<DeviceField, int> fieldColumns;
    const auto claim = [&](DeviceField field, int column) {
        const auto [first, added] = fieldColumns.emplace(field, column);
        if (!added) {
            refuse(header.line, QStringLiteral("%1 is named twice: column %2 ('%3') and column %4 ('%5')")
                                    .arg(nameOf(field))
                                    .arg(first->second + 1)
                                    .arg(terminalText(header.fields[first->second].trimmed()))
                                    .arg(column + 1)
                                    .arg(terminalText(header.fields[column].trimmed())));
        }
    };
    for (int column = 0; column < header.fields.size(); ++column) {
        const QString name = header.fields[column].trimmed();
        columns.emplace_back(std::nullopt);
        // A spreadsheet may save empty columns right of the table, names and
        // all; such a column holds nothing to apply.
        if (name.isEmpty())
            continue;
        if (name.compare(QLatin1String("macAddress"), Qt::CaseInsensitive) == 0) {
            macColumn = column;
            claim(DeviceField::MacAddress, column);
        } else if (!isIgnoredColumn(name)) {
            columns.back() = fieldOfName(name);
            if (!columns.back())
                refuse(header.line, QStringLiteral("unknown column '%1'").arg(terminalText(name)));
            else
                claim(*columns.back(), column);
        }
    }
    if (macColumn < 0)
        refuse(header.line, QStringLiteral("no macAddress column"));
    if (!refusals.isEmpty())
        return std::nullopt;
    if (columnsNamed) {
        for (const auto& [field, column] : fieldColumns)
            columnsNamed->insert(field);
    }

    std::vector<MapRow> rows;
    std::map<QString, int> macLines;
    std::map<std::uint32_t, int> addressLines;
    for (std::size_t r = 1; r < records->size(); ++r) {
        const CsvRecord& record = (*records)[r];
        // A spreadsheet writes a blank row inside the table as commas alone.
        if (std::all_of(record.fields.begin(), record.fields.end(), [](const QString& cell) { return cell.isEmpty(); }))
            continue;
        MapRow row;
        row.line = record.line;
        // Cells beyond the header's, and cells under a column without a name,
        // may only be empty: a value there belongs to no field.
        bool stray = false;
        for (int column = 0; column < record.fields.size() && !stray; ++column) {
            if (record.fields[column].isEmpty())
                continue;
            if (column >= header.fields.size()) {
                refuse(
                    row.line,
                    QStringLiteral("%1 cells, the header has %2").arg(record.fields.size()).arg(header.fields.size()));
                stray = true;
            } else if (header.fields[column].trimmed().isEmpty()) {
                refuse(row.line,
                       QStringLiteral("a value in column %1, which the header does not name").arg(column + 1));
                stray = true;
            }
        }
        if (stray)
            continue;
        const QByteArray macText = inventoryCellText(record.fields.value(macColumn).trimmed()).toLatin1();
        row.mac = isWholeMac(macText)
                      ? backupFolderName(std::string_view(macText.constData(), std::size_t(macText.size())))
                      : QString();
        if (row.mac.isEmpty()) {
            refuse(row.line, QStringLiteral("'%1' is not a MAC address").arg(terminalText(macText)));
            continue;
        }
        if (const auto seen = macLines.find(row.mac); seen != macLines.end()) {
            refuse(row.line, QStringLiteral("%1 is in line %2 too").arg(row.mac).arg(seen->second));
            continue;
        }
        macLines.emplace(row.mac, row.line);

        QStringList words;
        for (int column = 0; column < record.fields.size() && column < header.fields.size(); ++column) {
            const std::optional<DeviceField> field = columns[std::size_t(column)];
            const QString cell = inventoryCellText(record.fields[column]);
            // A key still masked is the module's own: it is never sent as a key.
            if (field && isKeyField(*field) && isKeyMask(cell))
                row.keyMasks.emplace_back(*field, cell);
            if (!field || cell.isEmpty() || (isKeyField(*field) && isKeyMask(cell)))
                continue;
            words << header.fields[column].trimmed() + u'=' + cell;
        }
        QString message;
        FieldChangeVerb verb;
        verb.name = QStringLiteral("config apply");
        verb.whyFixed = QStringLiteral("is the module's own and is not changed");
        std::optional<std::vector<FieldChange>> changes = parseFieldChanges(words, message, verb);
        if (changes) {
            if (const std::optional<QString> broken = checkFieldChanges(windowFieldRules(), *changes)) {
                message = *broken;
                changes.reset();
            }
        }
        if (!changes) {
            refuse(row.line, message);
            continue;
        }
        row.changes = std::move(*changes);
        for (const FieldChange& change : row.changes) {
            if (change.field != DeviceField::IpAddress)
                continue;
            row.newAddress = parseIpv4(change.value.toStdString());
            if (!row.newAddress)
                continue;
            if (const auto seen = addressLines.find(*row.newAddress); seen != addressLines.end())
                refuse(row.line, QStringLiteral("%1 is given in line %2 too").arg(change.value).arg(seen->second));
            else
                addressLines.emplace(*row.newAddress, row.line);
        }
        rows.push_back(std::move(row));
    }
    if (!refusals.isEmpty())
        return std::nullopt;
    return rows;
}

}  // namespace quillmar::cli
