// quillmar-cli config restore ADDRESS FILE: writes a backup (config backups)
// back to the module it was taken from.
#include <memory>

#include "config/save_records.h"
#include "fleet_verb_base.h"
#include "history/sealed_file.h"
#include "platform/regular_files.h"
#include "record/ipv4_text.h"
#include "record/model_table.h"
#include "record/record_check.h"
#include "record/single_byte_text.h"
#include "sealed_opener.h"
#include "system_bytes.h"
#include "terminal_text.h"

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
        // A damaged file would put its damage into the module.
        if (const std::optional<std::string> problem = recordParseProblem(backup_)) {
            return fail(context, kUsageError,
                        QStringLiteral("%1 is not a settings record: %2; nothing is sent")
                            .arg(shownPath_, QString::fromStdString(*problem)));
        }
        const std::string address = backup_.text(DeviceField::IpAddress);
        const std::optional<std::uint32_t> value = parseIpv4(address);
        // The module would take it and never be found again.
        if (!value || !isReachableModuleAddress(*value)) {
            return fail(context, kUsageError,
                        QStringLiteral("%1 gives the module the address \"%2\", at which it could not be reached; "
                                       "nothing is sent")
                            .arg(shownPath_, terminalText(address)));
        }
        return std::nullopt;
    }

    // Every field the backup holds that the module now holds otherwise, each
    // checked as config set checks it, on the module the backup was taken of.
    std::optional<ModuleWrite> writeFor(const ModuleReading& module, QString& message) override
    {
        const std::string mine = module.record.text(DeviceField::MacAddress);
        const std::string theirs = backup_.text(DeviceField::MacAddress);
        if (!macTextsEqual(mine, theirs)) {
            message = QStringLiteral("%1 is a record of the module with MAC %2, and the module at %3 has MAC %4 "
                                     "(config apply copies settings to another module)")
                          .arg(shownPath_, terminalText(theirs.substr(0, kMacCompareLength)), module.addressText,
                               terminalText(mine.substr(0, kMacCompareLength)));
            return std::nullopt;
        }
        const std::string ours = module.record.text(DeviceField::ModelName);
        const std::string saved = backup_.text(DeviceField::ModelName);
        if (familyOf(saved) != familyOf(ours)) {
            message = QStringLiteral("%1 is a record of a %2, and the module at %3 is a %4 of another family")
                          .arg(shownPath_, terminalText(saved), module.addressText, terminalText(ours));
            return std::nullopt;
        }
        // Of the two keys, the one the backup's encryption sends: the other is
        // one the module never uses.
        const DeviceField unused = QString::fromStdString(backup_.text(DeviceField::EncryType))
                                               .compare(QLatin1String("WEP"), Qt::CaseInsensitive)
                                           == 0
                                       ? DeviceField::WpaPsk
                                       : DeviceField::Key;
        ModuleWrite write;
        write.chosenMac = theirs;
        for (const FieldLayout& layout : deviceFieldLayout()) {
            const DeviceField field = layout.field;
            if (field == DeviceField::ModelName || field == DeviceField::MacAddress || field == unused
                || backup_.text(field) == module.record.text(field))
                continue;
            write.changes.push_back({field, fromSingleByte(backup_.text(field))});
        }
        return write;
    }

    // The printer family a model belongs to; a model of neither family is one
    // of its own.
    static std::string familyOf(const std::string& model)
    {
        for (const int family : {1, 2}) {
            if (isManagedModel(family, model))
                return std::to_string(family);
        }
        return "model " + model;
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
