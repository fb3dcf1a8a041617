// quillmar-cli config restore ADDRESS FILE: writes a backup (config backups)
// back to the module it was taken from.
#include <memory>

#include "config/save_records.h"
#include "fleet_verb_base.h"
#include "platform/regular_files.h"
#include "record/ipv4_text.h"
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
        addArgument(QStringLiteral("FILE"), QStringLiteral("a 256-byte record, as config backups lists them"));
        setDetails(QStringLiteral("Saves the record in FILE to the module at ADDRESS byte for byte, every field\n"
                                  "as it was when the backup was taken, its address included. FILE must be a\n"
                                  "record of the same module (the first 17 characters of macAddress equal); to\n"
                                  "copy settings to another module use config apply, which leaves each module's\n"
                                  "own fields alone.\n"
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
        const RegularFileRead read = readRegularFile(path, qint64(kDeviceEntrySize));
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
        if (read.bytes.size() != qsizetype(kDeviceEntrySize)) {
            return fail(context, kRefused,
                        QStringLiteral("%1 holds %2 bytes, not a record of %3: read file failed.")
                            .arg(shownPath_)
                            .arg(read.bytes.size())
                            .arg(kDeviceEntrySize));
        }
        backup_ = DeviceEntry::fromBytes(read.bytes.constData(), kDeviceEntrySize);
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

    std::optional<DeviceEntry> recordFor(const ModuleReading& module, QString& message) override
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
        return backup_;
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
