// quillmar-cli config backups [MAC]: the records stored before writes, oldest
// first per module.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

#include "history/record_backups.h"
#include "record_printing.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "text_table.h"
#include "verb.h"

namespace quillmar::cli {

namespace {

class ConfigBackupsVerb final : public Verb {
public:
    ConfigBackupsVerb()
        : Verb(QStringLiteral("config backups"), QStringLiteral("list the records stored before writes"))
    {
        addArgument(QStringLiteral("MAC"),
                    QStringLiteral("only this module's, in any of the usual notations (00-1F-7C-00-02-14, "
                                   "00:1f:7c:00:02:14)"),
                    Count::Optional);
        addJsonOption(QStringLiteral("one JSON array for scripts: mac, time, file, encrypted, and the record's fields "
                                     "(not of an encrypted one)"));
        setDetails(QStringLiteral("Every write to a module or a printer (config set, config apply, config\n"
                                  "restore, com write, usb write) first stores the record as it was read under\n"
                                  "$XDG_STATE_HOME/quillmar/backups/<MAC>/<UTC time>.bin (XDG_STATE_HOME\n"
                                  "defaults to ~/.local/state), or encrypted as <UTC time>.enc with\n"
                                  "--encrypt-backups. This lists them by module, oldest first, with the device\n"
                                  "name and address the record held (\"(encrypted)\" for an encrypted one);\n"
                                  "config restore ADDRESS FILE writes one back. Nothing is sent to any module."));
    }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) override
    {
        std::optional<QString> folder;
        if (!parser.positionalArguments().isEmpty()) {
            const QByteArray mac = toSystemBytes(parser.positionalArguments().constFirst());
            folder = backupFolderName(std::string_view(mac.constData(), std::size_t(mac.size())));
            if (folder->startsWith(QLatin1String("mac-")))
                return usageError(
                    context,
                    QStringLiteral("'%1' is not a MAC address (twelve hexadecimal digits)").arg(terminalText(mac)));
        }
        QString error;
        const std::optional<QByteArray> root = backupRoot(error);
        if (!root)
            return fail(context, kRefused, error);
        const std::vector<BackupFile> backups = listBackups(*root, folder);

        if (jsonWanted(parser)) {
            QJsonArray rows;
            for (const BackupFile& backup : backups) {
                // What an encrypted backup holds is not shown without its passphrase.
                QJsonObject object = backup.sealed ? QJsonObject() : recordToJson(backup.record);
                object.insert(QStringLiteral("encrypted"), backup.sealed);
                object.insert(QStringLiteral("mac"), backup.folder);
                object.insert(QStringLiteral("time"), backup.time.toString(Qt::ISODateWithMs));
                object.insert(QStringLiteral("file"), QFile::decodeName(backup.path));
                rows.append(object);
            }
            context.out << QString::fromUtf8(QJsonDocument(rows).toJson());
            return kSuccess;
        }
        if (backups.empty()) {
            context.err << messagePrefix() << "no backups under " << terminalText(*root)
                        << (folder ? QStringLiteral(" for %1").arg(*folder) : QString()) << '\n';
            return kSuccess;
        }
        std::vector<QStringList> rows{{QStringLiteral("MAC"), QStringLiteral("Time (UTC)"),
                                       QStringLiteral("Device name"), QStringLiteral("Address"),
                                       QStringLiteral("File")}};
        for (const BackupFile& backup : backups) {
            // A folder name is whatever somebody named a directory there.
            rows.push_back({terminalText(backup.folder),
                            backup.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
                            backup.sealed ? QStringLiteral("(encrypted)")
                                          : terminalText(backup.record.text(DeviceField::DeviceName)),
                            backup.sealed ? QString() : terminalText(backup.record.text(DeviceField::IpAddress)),
                            terminalText(backup.path)});
        }
        printAligned(context.out, rows);
        return kSuccess;
    }
};

}  // namespace

std::unique_ptr<Verb> makeConfigBackupsVerb()
{
    return std::make_unique<ConfigBackupsVerb>();
}

}  // namespace quillmar::cli
