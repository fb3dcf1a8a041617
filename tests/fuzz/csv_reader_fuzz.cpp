// A table as people hand it back after editing it in a spreadsheet: the CSV
// reader over the bytes as UTF-8 text, what the writer makes of the records it
// read (which must read back the same), and the site map reader of config
// apply --map over the same bytes from a file.
#include <QFile>
#include <QRegularExpression>

#include <set>

#include "csv_text.h"
#include "fuzz/fuzz_support.h"
#include "site_map.h"

using namespace quillmar;

namespace {

void checkReader(const QString& text, const std::optional<std::vector<cli::CsvRecord>>& records, const QString& error)
{
    if (!records) {
        FUZZ_CHECK(error.startsWith(QStringLiteral("line ")));
        FUZZ_CHECK(text.contains(u'"'));
        return;
    }
    // Each record starts on a line of its own, within the text.
    const int lines = int(text.count(u'\n') + text.count(u'\r')) + 1;
    int previous = 0;
    for (const cli::CsvRecord& record : *records) {
        FUZZ_CHECK(record.line > previous && record.line <= lines);
        FUZZ_CHECK(!record.fields.isEmpty());
        previous = record.line;
    }
    QString written;
    for (const cli::CsvRecord& record : *records)
        written += cli::csvRecord(record.fields);
    QString again;
    const auto reread = cli::parseCsv(written, again);
    FUZZ_CHECK(reread && reread->size() == records->size());
    for (std::size_t i = 0; i < records->size(); ++i)
        FUZZ_CHECK((*reread)[i].fields == (*records)[i].fields);
}

void checkSiteMap(const QByteArray& path, const std::optional<std::vector<cli::CsvRecord>>& records)
{
    QStringList refusals;
    const std::optional<std::vector<cli::MapRow>> rows = cli::readSiteMap(path, refusals);
    FUZZ_CHECK(rows.has_value() == refusals.isEmpty());
    if (!rows) {
        for (const QString& refusal : refusals)
            FUZZ_CHECK(refusal.startsWith(QFile::decodeName(path)));
        return;
    }
    // Rows come from a table that reads, below its header.
    FUZZ_CHECK(records && rows->size() < records->size());
    static const QRegularExpression mac(QStringLiteral("^[0-9A-F]{2}(-[0-9A-F]{2}){5}$"));
    std::set<QString> macs;
    std::set<std::uint32_t> addresses;
    for (const cli::MapRow& row : *rows) {
        FUZZ_CHECK(row.line > records->front().line);
        FUZZ_CHECK(mac.match(row.mac).hasMatch());
        FUZZ_CHECK(macs.insert(row.mac).second);
        if (row.newAddress)
            FUZZ_CHECK(addresses.insert(*row.newAddress).second);
        std::set<DeviceField> fields;
        for (const FieldChange& change : row.changes) {
            FUZZ_CHECK(change.field != DeviceField::ModelName && change.field != DeviceField::MacAddress);
            FUZZ_CHECK(fields.insert(change.field).second);
            FUZZ_CHECK(!change.value.isEmpty());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    QString error;
    const std::optional<std::vector<cli::CsvRecord>> records = cli::parseCsv(text, error);
    checkReader(text, records, error);
    fuzz::trace("csv: %s, %d records", records ? "read" : "refused", records ? int(records->size()) : 0);

    const QByteArray path = QFile::encodeName(QString::fromStdString(fuzz::scratchDirectory() + "/site.csv"));
    QFile file(QFile::decodeName(path));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
    file.close();
    checkSiteMap(path, records);
    return 0;
}
