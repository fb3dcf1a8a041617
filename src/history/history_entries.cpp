#include "history/history_entries.h"

#include <QJsonObject>

#include <algorithm>

#include "history/record_backups.h"
#include "record/field_names.h"

namespace quillmar {

namespace {

QString captionOf(const QString& name)
{
    const QByteArray bytes = name.toLatin1();
    if (const std::optional<DeviceField> field = fieldNamed(std::string_view(bytes.constData(), bytes.size())))
        return QString::fromLatin1(layoutOf(*field).columnCaption);
    return name;
}

// The folder name backups of this MAC go to: one form for every notation.
QString macForm(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return backupFolderName(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

HistoryEntry entryOf(const AuditLogLine& line)
{
    const QJsonObject& object = line.object;
    const auto text = [&object](const char* key) { return object.value(QLatin1String(key)).toString(); };
    HistoryEntry entry;
    entry.line = line.number;
    entry.time = QDateTime::fromString(text("time"), Qt::ISODateWithMs).toUTC();
    entry.user = text("user");
    entry.program = text("program");
    entry.operation = text("operation");
    entry.deviceName = text("deviceName");
    entry.macAddress = text("macAddress");
    entry.address = text("address");
    entry.backup = text("backup");
    entry.verdict = text("verdict");
    const QJsonObject changes = object.value(QLatin1String("changes")).toObject();
    // In the record's order, as the windows show the fields.
    for (const FieldLayout& layout : deviceFieldLayout()) {
        const std::string_view key = fieldName(layout.field);
        const QString name = QString::fromLatin1(key.data(), qsizetype(key.size()));
        if (!changes.contains(name))
            continue;
        const QJsonObject change = changes.value(name).toObject();
        entry.changes.push_back(
            {name, change.value(QLatin1String("from")).toString(), change.value(QLatin1String("to")).toString()});
    }
    // A field this program does not know is still shown.
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        const QByteArray name = it.key().toLatin1();
        if (fieldNamed(std::string_view(name.constData(), std::size_t(name.size()))))
            continue;
        const QJsonObject change = it.value().toObject();
        entry.changes.push_back(
            {it.key(), change.value(QLatin1String("from")).toString(), change.value(QLatin1String("to")).toString()});
    }
    if (object.contains(QLatin1String("image"))) {
        const QJsonObject image = object.value(QLatin1String("image")).toObject();
        entry.image = AuditImage{qint64(image.value(QLatin1String("size")).toDouble()),
                                 image.value(QLatin1String("sha256")).toString()};
    }
    return entry;
}

}  // namespace

QString HistoryEntry::printerText() const
{
    QStringList parts;
    for (const QString& part : {deviceName, macAddress, address}) {
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(QStringLiteral(", "));
}

QString HistoryEntry::changesText() const
{
    QStringList parts;
    for (const HistoryChange& change : changes) {
        const QString from = change.from.isEmpty() ? QStringLiteral("(empty)") : change.from;
        const QString to = change.to.isEmpty() ? QStringLiteral("(empty)") : change.to;
        parts << QStringLiteral("%1: %2 -> %3").arg(captionOf(change.field), from, to);
    }
    if (image)
        parts << QStringLiteral("image %1 bytes, SHA-256 %2").arg(image->size).arg(image->sha256);
    return parts.join(QStringLiteral(", "));
}

HistoryReading historyEntries(const std::vector<AuditLogLine>& lines)
{
    HistoryReading reading;
    for (const AuditLogLine& line : lines) {
        if (!line.damage.isEmpty()) {
            ++reading.damagedLines;
            continue;
        }
        reading.entries.push_back(entryOf(line));
    }
    // Newest first; lines of one moment keep the log's order, the later first.
    std::stable_sort(reading.entries.begin(), reading.entries.end(), [](const HistoryEntry& a, const HistoryEntry& b) {
        return a.time != b.time ? a.time > b.time : a.line > b.line;
    });
    return reading;
}

bool historyEntryMatches(const HistoryEntry& entry, const QString& filter)
{
    const QString wanted = filter.trimmed();
    if (wanted.isEmpty())
        return true;
    const QString mac = macForm(wanted);
    if (!mac.startsWith(QLatin1String("mac-")))
        return macForm(entry.macAddress) == mac;
    const QString row = QStringList{entry.time.toString(Qt::ISODate),
                                    entry.user,
                                    entry.program,
                                    entry.operation,
                                    entry.printerText(),
                                    entry.changesText(),
                                    entry.verdict,
                                    entry.backup}
                            .join(u'\n');
    return row.contains(wanted, Qt::CaseInsensitive);
}

}  // namespace quillmar
