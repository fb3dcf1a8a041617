// quillmar-cli log: the audit log of every write to a module or a printer.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

#include "history/audit_log.h"
#include "history/record_backups.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "text_table.h"
#include "verb.h"

namespace quillmar::cli {

namespace {

// "2026-12-07" (the start of that day, UTC) or a whole ISO 8601 time.
std::optional<QDateTime> parseSince(const QString& text)
{
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (!day.isValid())
            return std::nullopt;
        time = QDateTime(day, QTime(0, 0), Qt::UTC);
    }
    if (time.timeSpec() == Qt::LocalTime && !text.contains(u'T'))
        time.setTimeSpec(Qt::UTC);
    return time;
}

QString changesText(const QJsonObject& changes)
{
    QStringList parts;
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        const QJsonObject change = it.value().toObject();
        parts << QStringLiteral("%1: %2 -> %3")
                     .arg(it.key(), change.value(QStringLiteral("from")).toString(),
                          change.value(QStringLiteral("to")).toString());
    }
    return parts.join(QStringLiteral(", "));
}

class LogVerb final : public Verb {
public:
    LogVerb() : Verb(QStringLiteral("log"), QStringLiteral("list the writes made to modules and printers"))
    {
        addOption({QStringLiteral("mac"), QStringLiteral("only the writes to this module (any usual notation)"),
                   QStringLiteral("MAC")});
        addOption({QStringLiteral("since"),
                   QStringLiteral("only the writes from this time on (2026-12-07, or 2026-12-07T10:00:00Z)"),
                   QStringLiteral("DATE")});
        addJsonOption(QStringLiteral("one JSON array of the log's entries, as they are stored"));
        setDetails(QStringLiteral("Every write (the manager's saves by UDP and COM port and its restores, the\n"
                                  "settings tools' saves, config set, apply and restore, com and usb write, upgrade,\n"
                                  "reboot, web upload) appends one line to $XDG_STATE_HOME/quillmar/audit.jsonl\n"
                                  "(XDG_STATE_HOME defaults to ~/.local/state): time (UTC), user, program,\n"
                                  "operation, macAddress, deviceName (when a record was read), address, the fields\n"
                                  "changed (from and to), the backup taken before, the image's size and SHA-256\n"
                                  "for an upgrade or web upload, and the verdict. Wi-Fi keys appear only as\n"
                                  "\"hmac:\" and 12 hexadecimal digits of their HMAC-SHA-256 under the user's mask\n"
                                  "key ($XDG_STATE_HOME/quillmar/mask.key): one key gives one mask on this PC, so\n"
                                  "a change of key shows, and nobody without that file can try keys against it\n"
                                  "(older lines have \"sha256:\" masks of the bare key). A damaged line is\n"
                                  "named on standard error with its line number; the others are still shown.\n"
                                  "Nothing is sent to any module."));
    }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) override
    {
        std::optional<QString> mac;
        if (parser.isSet(QStringLiteral("mac"))) {
            const QByteArray bytes = toSystemBytes(parser.value(QStringLiteral("mac")));
            mac = backupFolderName(std::string_view(bytes.constData(), std::size_t(bytes.size())));
            if (mac->startsWith(QLatin1String("mac-")))
                return usageError(
                    context,
                    QStringLiteral("'%1' is not a MAC address (twelve hexadecimal digits)").arg(terminalText(bytes)));
        }
        std::optional<QDateTime> since;
        if (parser.isSet(QStringLiteral("since"))) {
            since = parseSince(parser.value(QStringLiteral("since")));
            if (!since)
                return usageError(context,
                                  QStringLiteral("'%1' is not a date (2026-12-07, or 2026-12-07T10:00:00Z)")
                                      .arg(terminalText(toSystemBytes(parser.value(QStringLiteral("since"))))));
        }

        QString error;
        const std::optional<QByteArray> path = auditLogPath(error);
        if (!path)
            return fail(context, kRefused, error);
        const std::optional<std::vector<AuditLogLine>> lines = readAuditLog(*path, error);
        if (!lines)
            return fail(context, kRefused, error);

        std::vector<QJsonObject> shown;
        for (const AuditLogLine& line : *lines) {
            if (!line.damage.isEmpty()) {
                context.err << messagePrefix() << "line " << line.number << " of " << terminalText(*path)
                            << " is damaged (" << line.damage << "); the other lines are shown\n";
                continue;
            }
            const QJsonObject& entry = line.object;
            if (mac) {
                const QByteArray entryMac = entry.value(QStringLiteral("macAddress")).toString().toLatin1();
                if (backupFolderName(std::string_view(entryMac.constData(), std::size_t(entryMac.size()))) != *mac)
                    continue;
            }
            if (since) {
                const QDateTime time = QDateTime::fromString(entry.value(QStringLiteral("time")).toString(),
                                                             Qt::ISODateWithMs);
                if (!time.isValid() || time < *since)
                    continue;
            }
            shown.push_back(entry);
        }

        if (jsonWanted(parser)) {
            QJsonArray array;
            for (const QJsonObject& entry : shown)
                array.append(entry);
            context.out << QString::fromUtf8(QJsonDocument(array).toJson());
            return kSuccess;
        }
        if (shown.empty()) {
            context.err << messagePrefix() << "no writes in " << terminalText(*path) << '\n';
            return kSuccess;
        }
        std::vector<QStringList> rows{{QStringLiteral("Time (UTC)"), QStringLiteral("Program"),
                                       QStringLiteral("Operation"), QStringLiteral("MAC"), QStringLiteral("Address"),
                                       QStringLiteral("Verdict"), QStringLiteral("Changes")}};
        const auto text = [](const QJsonObject& entry, const char* key) {
            return terminalText(entry.value(QLatin1String(key)).toString().toUtf8());
        };
        for (const QJsonObject& entry : shown) {
            rows.push_back({text(entry, "time"), text(entry, "program"), text(entry, "operation"),
                            text(entry, "macAddress"), text(entry, "address"), text(entry, "verdict"),
                            terminalText(changesText(entry.value(QStringLiteral("changes")).toObject()).toUtf8())});
        }
        printAligned(context.out, rows);
        return kSuccess;
    }
};

}  // namespace

std::unique_ptr<Verb> makeLogVerb()
{
    return std::make_unique<LogVerb>();
}

}  // namespace quillmar::cli
