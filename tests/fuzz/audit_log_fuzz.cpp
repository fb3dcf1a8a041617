// The audit log as it is written and read back: whatever a printer or a user
// put into a write's account (its MAC, its address, a field's texts, the
// verdict), the line appended reads back as the same entry, and it does so
// after whatever an earlier append left at the end of the file (a line cut
// short by a full disk, a stray byte).
//
// Input: the file's old content (a piece whose length is the first byte),
// then the operation, MAC, address and verdict (each a piece whose length is
// the next byte), then changes: a field byte and two pieces each.
#include <QFile>
#include <QJsonObject>

#include "fuzz/fuzz_support.h"
#include "history/audit_log.h"
#include "record/field_names.h"

using namespace quillmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader input(data, size);
    const QByteArray path = QByteArray::fromStdString(fuzz::scratchDirectory() + "/audit.jsonl");
    {
        QFile file(QFile::decodeName(path));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const std::string old = input.shortPiece();
        FUZZ_CHECK(file.write(old.data(), qint64(old.size())) == qint64(old.size()));
    }
    const auto text = [&input] {
        const std::string piece = input.shortPiece();
        return QString::fromLatin1(piece.data(), qsizetype(piece.size()));
    };
    AuditEntry entry;
    entry.user = QStringLiteral("fuzz");
    entry.program = QStringLiteral("fuzz");
    entry.operation = text();
    entry.macAddress = text();
    entry.address = text();
    entry.verdict = text();
    while (!input.empty() && entry.changes.size() < kDeviceFieldCount) {
        const DeviceField field = deviceFieldLayout()[input.byte() % kDeviceFieldCount].field;
        const QString from = text();
        entry.changes.push_back({field, from, text()});
    }
    FUZZ_CHECK(!appendAudit(entry, path).has_value());

    QString error;
    const std::optional<std::vector<AuditLogLine>> lines = readAuditLog(path, error);
    FUZZ_CHECK(lines.has_value());
    FUZZ_CHECK(!lines->empty());
    const AuditLogLine& last = lines->back();
    fuzz::trace("line %d: %s", last.number, qPrintable(last.damage));
    FUZZ_CHECK(last.damage.isEmpty());
    FUZZ_CHECK(last.object.value(QStringLiteral("operation")).toString() == entry.operation);
    FUZZ_CHECK(last.object.value(QStringLiteral("macAddress")).toString() == entry.macAddress);
    FUZZ_CHECK(last.object.value(QStringLiteral("address")).toString() == entry.address);
    FUZZ_CHECK(last.object.value(QStringLiteral("verdict")).toString() == entry.verdict);
    const QJsonObject changes = last.object.value(QStringLiteral("changes")).toObject();
    for (const ChangedField& change : entry.changes) {
        const std::string_view name = fieldName(change.field);
        const QJsonObject written = changes.value(QString::fromLatin1(name.data(), qsizetype(name.size()))).toObject();
        FUZZ_CHECK(written.contains(QStringLiteral("from")) && written.contains(QStringLiteral("to")));
    }
    return 0;
}
