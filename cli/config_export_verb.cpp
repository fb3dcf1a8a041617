// quillmar-cli config export ADDRESS FILE [--force]: a module's validated
// settings record in a 256-byte file, as the configuration window's "Export..."
// writes it.
#include <functional>
#include <memory>

#include "config/configuration_export.h"
#include "config/opened_form_values.h"
#include "config/save_checks.h"
#include "config/save_records.h"
#include "config/validation_rules.h"
#include "history/sealed_file.h"
#include "module_verb_base.h"
#include "platform/regular_files.h"
#include "record/field_name_text.h"
#include "record/field_names.h"
#include "record/single_byte_text.h"
#include "system_bytes.h"
#include "terminal_text.h"

namespace quillmar::cli {

namespace {

struct BrokenRule {
    DeviceField field;
    QString value;
    QString message;
};

// The record field whose rule the window's check stopped at, found by running
// the record's rules in the check's order: the check itself only says what
// failed, and a record from a module has no boxes to point at.
std::optional<BrokenRule> firstBrokenRule(const ConfigFormValues& v)
{
    const QString address = v.octets[0] + u'.' + v.octets[1] + u'.' + v.octets[2] + u'.' + v.octets[3];
    const struct {
        DeviceField field;
        const QString& value;
        std::function<RuleMessage()> check;
    } rules[] = {
        {DeviceField::ModelName, v.modelName, [&v] { return checkModelName(v.modelName); }},
        {DeviceField::IpAddress, address, [&v] { return checkOctetAddress(v.octets).message; }},
        {DeviceField::UdpPort, v.udpPort, [&v] { return checkUdpPort(v.udpPort); }},
        {DeviceField::TcpPort, v.tcpPort, [&v] { return checkTcpPort(v.tcpPort); }},
        {DeviceField::DeviceName, v.deviceName, [&v] { return checkSerialNumber(v.deviceName); }},
        {DeviceField::MacAddress, v.macAddress, [&v] { return checkMacAddress(v.macAddress); }},
        {DeviceField::Ssid, v.ssid, [&v] { return checkSsid(v.ssid); }},
        {DeviceField::Key, v.key, [&v] { return checkKey(v.key); }},
        {DeviceField::WpaPsk, v.wpaPsk, [&v] { return checkWpaPsk(v.wpaPsk); }},
    };
    for (const auto& rule : rules) {
        try {
            if (RuleMessage message = rule.check())
                return BrokenRule{rule.field, rule.value, *message};
        } catch (const ConversionError& error) {
            return BrokenRule{rule.field, rule.value, QString::fromLatin1(error.what())};
        }
    }
    return std::nullopt;
}

class ConfigExportVerb final : public ModuleVerb {
public:
    ConfigExportVerb()
        : ModuleVerb(QStringLiteral("config export"),
                     QStringLiteral("write one module's checked settings record to a 256-byte file"))
    {
        addArgument(QStringLiteral("FILE"), QStringLiteral("the file to write (readable by its owner only)"));
        addOption({QStringLiteral("force"), QStringLiteral("replace FILE when it is a regular file that exists")});
        addOption({QStringLiteral("encrypt"),
                   QStringLiteral("encrypt FILE with a passphrase (asked twice on the terminal, or passphrase= in "
                                  "--secrets FILE, or QUILLMAR_PASSPHRASE)")});
        SecretUse secretUse;
        secretUse.passphrase = true;
        takeSecrets(secretUse);
        setDetails(QStringLiteral("Reads the settings record of the module at ADDRESS, checks it with the\n"
                                  "configuration window's rules, as its \"Export...\" does, and writes it to FILE:\n"
                                  "256 bytes, the record's thirteen fields at their full widths. A record that\n"
                                  "breaks a rule is not written, and the message names its field. FILE is\n"
                                  "written beside itself with mode 0600 and renamed into place, so a failed\n"
                                  "write leaves an older FILE as it was; anything but a regular file (a device,\n"
                                  "a FIFO, a link) is never replaced.\n"
                                  "\n"
                                  "The record holds the Wi-Fi keys in clear. --encrypt writes it encrypted with a\n"
                                  "passphrase instead (Argon2id for the passphrase, XChaCha20-Poly1305, a small\n"
                                  "versioned header: 330 bytes), which config apply, config restore and config\n"
                                  "import open after asking for the passphrase. Without --encrypt the file stays\n"
                                  "the plain 256 bytes the configuration window writes."));
    }

private:
    std::optional<int> prepare(const QCommandLineParser& parser, VerbContext& context) override
    {
        path_ = toSystemBytes(parser.positionalArguments().at(1));
        if (path_.isEmpty())
            return usageError(context, QStringLiteral("FILE is empty"));
        force_ = parser.isSet(QStringLiteral("force"));
        if (parser.isSet(QStringLiteral("encrypt"))) {
            QString error;
            const std::optional<QByteArray> passphrase = secrets().passphraseToSeal(context, error);
            if (passphrase)
                sealer_ = FileSealer::make(*passphrase, error);
            if (!sealer_)
                return fail(context, kUsageError,
                            QStringLiteral("--encrypt: %1; nothing is read or written").arg(error));
        }
        return std::nullopt;
    }

    int executeOnModule(const ModuleReading& module, VerbContext& context) override
    {
        const ConfigFormValues values = formValuesFromRecord(module.record, module.address);
        ConfigBlock block = configBlockFromRecord(module.record, module.address);
        const SaveCheckOutcome check = runSaveChecks(values, block);
        if (!check.passed()) {
            const std::optional<BrokenRule> broken = firstBrokenRule(values);
            if (!broken)
                return fail(context, kRefused, check.message + QStringLiteral("; nothing is written"));
            // The keys are not repeated on the terminal.
            const bool secret = broken->field == DeviceField::Key || broken->field == DeviceField::WpaPsk;
            return fail(context, kRefused,
                        QStringLiteral("the module's %1%2 breaks the rule \"%3\"; nothing is written")
                            .arg(nameOf(broken->field),
                                 secret ? QString()
                                        : QStringLiteral(" (\"%1\")").arg(terminalText(toSingleByte(broken->value))),
                                 broken->message));
        }

        const QString shownPath = terminalText(path_);
        const QByteArray record = blockRecordBytes(block);
        switch (writePrivateFile(path_, sealer_ ? sealer_->seal(record) : record, force_)) {
        case PrivateWrite::Written:
            context.out << kExportFinishedText << '\n';
            return kSuccess;
        case PrivateWrite::Exists:
            return fail(context, kRefused,
                        QStringLiteral("%1 exists (give --force to replace it). %2").arg(shownPath, kAnotherNameText));
        case PrivateWrite::NotRegular:
            return fail(
                context, kRefused,
                QStringLiteral("%1 is not a regular file and is left alone: %2").arg(shownPath, kCreateFileFailed));
        case PrivateWrite::CreateFailed:
            return fail(context, kRefused, QStringLiteral("%1: %2").arg(shownPath, kCreateFileFailed));
        case PrivateWrite::WriteFailed:
            break;
        }
        return fail(context, kRefused, QStringLiteral("%1: %2").arg(shownPath, kWriteFileFailed));
    }

    QByteArray path_;
    bool force_ = false;
    std::unique_ptr<FileSealer> sealer_;
};

}  // namespace

std::unique_ptr<Verb> makeConfigExportVerb()
{
    return std::make_unique<ConfigExportVerb>();
}

}  // namespace quillmar::cli
