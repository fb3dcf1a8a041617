// quillmar-cli config restore ADDRESS FILE: writes a backup (config backups)
// back to the module it was taken from.
#include <memory>

#include "fleet_verb_base.h"
#include "history/sealed_file.h"
#include "platform/regular_files.h"
#include "sealed_opener.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "write/restore_plan.h"

namespace quillmar::cli {

namespace {

class ConfigRestoreVerb final : public FleetVerb {
public:
    ConfigRestoreVerb()
        : FleetVerb(QStringLiteral("config restore"), QStringLiteral("write a backed-up record back to its module"),
                    Targets::One)
    {
        addArgument(QStringLiteral("ADDRESS"),
                    QStringLiteral("the module's IPv4 address, as discover lists it (for example 192.0.2.10)"));
        addArgument(QStringLiteral("FILE"), QStringLiteral("a 256-byte record, as config backups lists them, or "
                                                           "an encrypted one (.enc)"));
        SecretUse secretUse;
        secretUse.passphrase = true;
        takeSecrets(secretUse);
        setDetails(QStringLiteral("Saves the record in FILE to the module at ADDRESS: every field as it was when\n"
                                  "the backup was taken, its address included (of the two keys, the one its\n"
                                  "encryType sends). FILE must be a whole settings record (macAddress,\n"
                                  "ipAddress and the coded fields parse) of the same module (the first 17\n"
                                  "characters of macAddress equal) and of a model of the same family; each field\n"
                                  "it changes is checked as config set checks it. To copy settings to another\n"
                                  "module use config apply, which leaves each module's own fields alone.\n"
                                  "An encrypted FILE is opened with its passphrase (asked on the terminal, or\n"
                                  "passphrase= in --secrets FILE, or QUILLMAR_PASSPHRASE).\n"
                                  "\n")
                   + fleetDetails()
                   + QStringLiteral("\n\nExample:\n"
                                    "  quillmar-cli config backups 00-1F-7C-00-02-14\n"
                                    "  quillmar-cli config restore 192.0.2.20 "
                                    "~/.local/state/quillmar/backups/00-1F-7C-00-02-14/20240501T101502.123Z.bin"));
    }

private:
    std::optional<int> prepare(const QCommandLineParser& parser, VerbContext& context,
                               QStringList& addressWords) override
    {
        target_ = addressWords.value(0);
        const QByteArray path = toSystemBytes(parser.positionalArguments().at(1));
        shownPath_ = terminalText(path);
        RegularFileRead read = readRegularFile(path, qint64(kSealedRecordFileSize));
        switch (read.status) {
        case RegularFileRead::Status::Missing:
            return fail(context, kRefused, shownPath_ + QStringLiteral(": file isn't exists"));
        case RegularFileRead::Status::NotOpened:
            return fail(context, kRefused, shownPath_ + QStringLiteral(": open file failed"));
        case RegularFileRead::Status::BadSize:
            return fail(context, kRefused, shownPath_ + QStringLiteral(": read file failed."));
        case RegularFileRead::Status::Read:
            break;
        }
        if (looksSealed(read.bytes)) {
            QString error;
            const std::optional<QByteArray> contents = sealedOpener(secrets(), context, shownPath_)(read.bytes, error);
            if (!contents)
                return fail(context, kRefused, QStringLiteral("%1: %2; nothing is sent").arg(shownPath_, error));
            read.bytes = *contents;
        }
        if (read.bytes.size() != qsizetype(kDeviceEntrySize)) {
            return fail(context, kRefused,
                        QStringLiteral("%1 holds %2 bytes, not a record of %3: read file failed.")
                            .arg(shownPath_)
                            .arg(read.bytes.size())
                            .arg(kDeviceEntrySize));
        }
        backup_ = DeviceEntry::fromBytes(read.bytes.constData(), kDeviceEntrySize);
        if (const std::optional<QString> problem = backupProblem(backup_, shownPath_))
            return fail(context, kUsageError, *problem);
        return std::nullopt;
    }

    // Every field the backup holds that the module now holds otherwise, each
    // checked as config set checks it, on the module the backup was taken of.
    std::optional<ModuleWrite> writeFor(const ModuleReading& module, QString& message) override
    {
        const std::optional<RestoreWrite> restore = restoreWrite(backup_, shownPath_, module.record, module.addressText,
                                                                 message);
        if (!restore)
            return std::nullopt;
        return ModuleWrite{restore->chosenMac, restore->changes};
    }

    // A backup taken at another address puts the module back there.
    bool changesAddresses() const override
    {
        return QString::fromStdString(backup_.text(DeviceField::IpAddress)) != target_;
    }

    QString shownPath_;
    QString target_;
    DeviceEntry backup_;
};

}  // namespace

std::unique_ptr<Verb> makeConfigRestoreVerb()
{
    return std::make_unique<ConfigRestoreVerb>();
}

}  // namespace quillmar::cli
