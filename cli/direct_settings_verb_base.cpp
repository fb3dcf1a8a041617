#include "direct_settings_verb_base.h"

#include <QJsonDocument>

#include <utility>

#include "com_port_option.h"
#include "comm/com_settings_channel.h"
#include "comm/core_application.h"
#include "comm/direct_settings.h"
#include "comm/serial_control.h"
#include "comm/usb_settings_channel.h"
#include "fleet_report.h"
#include "platform/usb_printer.h"
#include "record_printing.h"
#include "settable_fields.h"
#include "terminal_text.h"
#include "tools/same_usb_printer.h"
#include "tools/settings_tool_rules.h"
#include "write/field_rules.h"
#include "write/write_plan.h"
#include "write_backup.h"

namespace quillmar::cli {

namespace {

const QString kBaudOption = QStringLiteral("baud");
const QString kDefaultBaud = QStringLiteral("115200");

// The tools' own texts for each way an exchange ends badly.
struct FailureTexts {
    QString noReply;
    QString noDevice;
    QString readFailed;
    QString readAgain;
    QString writeFailed;
};

const FailureTexts& failureTexts(DirectTransport transport)
{
    static const FailureTexts com{
        QStringLiteral("Invalid data packing timeout,\nPlease connect device to default Setting COM Port !!"),
        QString(),
        QStringLiteral("input format error !"),
        QStringLiteral("the printer answered twice with model name \";1\", which asks for the read to be repeated"),
        QString(),  // the COM tool shows the failure itself
    };
    static const FailureTexts usb{
        QStringLiteral("Read USB config error !"), QStringLiteral("Read USB config error !"),
        QStringLiteral("Get USB config error !"),  QStringLiteral("Read USB config error,Please read again !!"),
        QStringLiteral("Save USB config error !"),
    };
    return transport == DirectTransport::Com ? com : usb;
}

// "text (COM5: reason)"; the device is left out when there is none or the
// reason names it already.
QString withReason(const QString& text, const QString& device, const QString& reason)
{
    const bool named = device.isEmpty() || device == QLatin1String("None") || reason.startsWith(device);
    if (reason.isEmpty())
        return text;
    const QString detail = (named ? QString() : terminalText(device) + QStringLiteral(": ")) + reason;
    return text.isEmpty() ? detail : text + QStringLiteral(" (") + detail + u')';
}

}  // namespace

DirectSettingsVerb::DirectSettingsVerb(QString name, QString summary, DirectTransport transport)
    : Verb(std::move(name), std::move(summary)), transport_(transport)
{
    if (transport_ == DirectTransport::Com) {
        addRequiredOption(comPortOption(QStringLiteral("the serial port the printer is attached to")));
        addOption({kBaudOption,
                   QStringLiteral("the line rate of this exchange: %1 (default %2)")
                       .arg(toolBaudItems().join(QStringLiteral(", ")), kDefaultBaud),
                   QStringLiteral("B")});
        setCompletion(kBaudOption, wordsHint(toolBaudItems()));
    }
}

DirectSettingsVerb::~DirectSettingsVerb() = default;

QString DirectSettingsVerb::exchangeDetails() const
{
    const QString parses = QStringLiteral(
        "\nA reply is the printer's record only when its macAddress is six hexadecimal pairs,\n"
        "its ipAddress a dotted IPv4 address and its ipMode, wifiMode, authMode and\n"
        "encryType among the tools' choices; any other reply is a failed read (exit\n"
        "status 3, naming what did not parse), and nothing is written.");
    if (transport_ == DirectTransport::Usb) {
        return QStringLiteral("The printer is the first USB printer of vendor %1 with product 0369, else 0338,\n"
                              "else 3330 (its device file /dev/usb/lpN, which must be readable and writable),\n"
                              "as the USB settings tool finds it. It must answer the read within %2 ms.")
                   .arg(QLatin1String(kUsbPrinterVendor))
                   .arg(DirectSettingsTiming{}.usbReplyWait.count())
               + parses
               + QStringLiteral("\nA blank record (a printer without settings) is shown by usb read; usb write\n"
                                "does not write it back (exit status 3).");
    }
    return QStringLiteral("The printer is on the serial port --port: \"COMn\" is the device in QUILLMAR_COMn\n"
                          "when that is set, else /dev/ttyS<n-1>; a path (/dev/ttyUSB0) is that device.\n"
                          "The COM settings tool always talks at %1 baud, 8 data bits, no parity, 1 stop\n"
                          "bit, whatever rate it remembers in \"BAUDSET.DAT\"; --baud sets the line rate\n"
                          "of this exchange instead, for a printer set to another rate. Nothing is\n"
                          "remembered. The printer must answer the read within %2 ms.")
               .arg(kDefaultBaud)
               .arg(DirectSettingsTiming{}.comReplyWait.count())
           + parses;
}

std::optional<int> DirectSettingsVerb::readOptions(const QCommandLineParser& parser, VerbContext& context)
{
    if (transport_ == DirectTransport::Usb)
        return std::nullopt;
    QString error;
    const std::optional<SerialPortChoice> port = parseSerialPort(parser.value(QStringLiteral("port")), error);
    if (!port)
        return usageError(context, error);
    comPort_ = port->path.isEmpty() ? port->number : 1;
    devicePath_ = port->path;
    const QString baud = parser.isSet(kBaudOption) ? parser.value(kBaudOption) : kDefaultBaud;
    const std::optional<QString> settings = toolSerialSettingsForItem(int(toolBaudItems().indexOf(baud)));
    if (!settings) {
        return usageError(context, QStringLiteral("--baud takes %1, not '%2'")
                                       .arg(toolBaudItems().join(QStringLiteral(", ")), terminalText(baud)));
    }
    lineSettings_ = *settings;
    return std::nullopt;
}

std::unique_ptr<SettingsChannel> DirectSettingsVerb::makeChannel(VerbContext& context, const QString& printer)
{
    if (transport_ == DirectTransport::Usb) {
        if (printer.isNull())
            return std::make_unique<UsbSettingsChannel>(context.usbLocator);
        usbLocator_ = std::make_unique<SameUsbPrinterLocator>(context.usbLocator, printer);
        return std::make_unique<UsbSettingsChannel>(usbLocator_.get());
    }
    if (!comm_) {
        // The serial control runs on Qt's serial port, which wants an application.
        ensureCoreApplication();
        comm_ = std::make_unique<MSComm>();
    }
    return std::make_unique<ComSettingsChannel>(*comm_, comPort_, lineSettings_, devicePath_);
}

int DirectSettingsVerb::execute(const QCommandLineParser& parser, VerbContext& context)
{
    if (const std::optional<int> status = readOptions(parser, context))
        return *status;
    if (const std::optional<int> status = prepare(parser, context))
        return *status;

    const FailureTexts& texts = failureTexts(transport_);
    const auto read = [this, &context] {
        const std::unique_ptr<SettingsChannel> channel = makeChannel(context);
        return readDirectSettings(*channel, {}, context.directTiming);
    };
    DirectReadResult result = read();
    // A printer answers ";1" when it wants the read repeated; it is asked once more.
    if (result.ok() && result.asksToReadAgain())
        result = read();

    switch (result.outcome) {
    case DirectReadOutcome::NoReply:
    case DirectReadOutcome::NotARecord:
        return fail(context, kNoAnswer, withReason(texts.noReply, result.device, result.reason));
    case DirectReadOutcome::NoDevice:
        return fail(context, kRefused, withReason(texts.noDevice, result.device, result.reason));
    case DirectReadOutcome::Failed:
        return fail(context, kRefused, withReason(texts.readFailed, result.device, result.reason));
    case DirectReadOutcome::BlankRecord:
        // The USB tool shows a printer without settings; there is nothing in
        // it to write back.
        if (!onlyShowsRecord()) {
            return fail(context, kNoAnswer,
                        withReason(texts.noReply, result.device,
                                   result.reason + QStringLiteral(", and a blank record is not written back")));
        }
        break;
    case DirectReadOutcome::RecordRead:
        break;
    }
    if (result.asksToReadAgain())
        return fail(context, kRefused, withReason(texts.readAgain, result.device, QString()));

    PrinterReading printer;
    printer.record = result.record;
    printer.recordBytes = result.recordBytes;
    printer.device = result.device;
    if (printer.recordBytes < qsizetype(kDeviceEntrySize)) {
        const QString shortReply =
            QStringLiteral("the reply held %1 of the record's %2 bytes").arg(printer.recordBytes).arg(kDeviceEntrySize);
        if (!onlyShowsRecord())
            return fail(context, kRefused, shortReply + QStringLiteral("; nothing is written"));
        context.err << messagePrefix() << shortReply << "; the fields it does not cover are empty\n";
        context.err.flush();
    }
    return executeOnPrinter(printer, context);
}

int DirectSettingsVerb::writeRecord(const DeviceEntry& record, const QString& device, VerbContext& context)
{
    const std::unique_ptr<SettingsChannel> channel = makeChannel(context, device);
    const DirectWriteResult result = writeDirectSettings(*channel, record);
    if (!result.ok())
        return fail(context, kRefused, withReason(failureTexts(transport_).writeFailed, result.device, result.reason));
    return kSuccess;
}

DirectReadVerb::DirectReadVerb(QString name, QString summary, DirectTransport transport)
    : DirectSettingsVerb(std::move(name), std::move(summary), transport)
{
    addJsonOption(QStringLiteral("print the record as one JSON object"));
    addOption(showKeysOption());
}

std::optional<int> DirectReadVerb::prepare(const QCommandLineParser& parser, VerbContext&)
{
    json_ = jsonWanted(parser);
    showSecrets_ = parser.isSet(showKeysOption());
    return std::nullopt;
}

int DirectReadVerb::executeOnPrinter(const PrinterReading& printer, VerbContext& context)
{
    if (json_)
        context.out << QString::fromUtf8(QJsonDocument(recordToJson(printer.record)).toJson());
    else
        printRecordTable(context.out, printer.record, {0, showSecrets_});
    return kSuccess;
}

DirectWriteVerb::DirectWriteVerb(QString name, QString summary, DirectTransport transport)
    : DirectSettingsVerb(std::move(name), std::move(summary), transport)
{
    addArgument(QStringLiteral("NAME=VALUE"),
                QStringLiteral("a field and its new value, by the names under Fields (a Wi-Fi key best from --secrets "
                               "or --ask-secret)"),
                Count::ZeroOrMore);
    setCompletion(QStringLiteral("NAME=VALUE"), fieldsHint(settableFieldNames(toolFieldChangeVerb(Verb::name()))));
    SecretUse secretUse;
    secretUse.wifiKeys = true;
    secretUse.keysInWords = true;
    secretUse.passphrase = true;
    takeSecrets(secretUse);
    addOption(noBackupOption());
    addOption(encryptBackupsOption());
    addOption(dryRunOption());
    addOption(showSecretsOption());
    addOption(ssidNotSeenOkOption());
    addJsonOption(QStringLiteral("with --dry-run, the changes as one JSON array"));
}

std::optional<int> DirectWriteVerb::prepare(const QCommandLineParser& parser, VerbContext& context)
{
    QString error;
    auto changes = parseToolFieldChanges(parser.positionalArguments(), name(), error);
    if (!changes)
        return usageError(context, error);
    secrets().addWifiKeys(*changes);
    if (changes->empty())
        return usageError(context, QStringLiteral("NAME=VALUE is missing"));
    if (const std::optional<QString> message = checkFieldChanges(toolFieldRules(), *changes))
        return fail(context, kUsageError, *message + QStringLiteral("; nothing is sent"));
    changes_ = std::move(*changes);
    noBackup_ = parser.isSet(noBackupOption().names().constFirst());
    dryRun_ = parser.isSet(dryRunOption().names().constFirst());
    showSecrets_ = parser.isSet(showSecretsOption().names().constFirst());
    json_ = jsonWanted(parser);
    ssidNotSeenOk_ = parser.isSet(ssidNotSeenOkOption());
    if ((showSecrets_ || json_) && !dryRun_)
        return usageError(context, QStringLiteral("--show-secrets and --json go with --dry-run"));
    std::optional<std::unique_ptr<FileSealer>> sealer = backupSealer(parser, secrets(), context, error);
    if (!sealer)
        return fail(context, kUsageError, error + QStringLiteral("; nothing is written"));
    sealer_ = std::move(*sealer);
    return std::nullopt;
}

int DirectWriteVerb::executeOnPrinter(const PrinterReading& printer, VerbContext& context)
{
    // A printer on a cable may be on no network at all: its new address is
    // held against the PC's own networks, not against a search.
    WriteGuard guard;
    if (changeOf(changes_, DeviceField::IpAddress)) {
        if (const std::optional<QString> error = guard.readLocalAddresses())
            return fail(context, kRefused, *error);
    }
    WriteRequest request;
    request.where = printer.device;
    request.onCable = true;
    request.changes = changes_;
    request.rules = &toolFieldRules();
    request.guard = &guard;
    PlannedWrite write(name(), printer.device,
                       planWrite(request, QByteArray(printer.record.data(), printer.recordBytes)));
    const WritePlan& plan = write.plan();
    if (plan.refused()) {
        if (!dryRun_)
            finishJournal(write, QStringLiteral("refused: ") + plan.refusal, messagePrefix(), context);
        return fail(context, plan.step == WritePlan::Step::NotARecord ? kNoAnswer : kUsageError,
                    plan.refusal + QStringLiteral("; nothing is written"));
    }
    QString wifiNote;
    if (wifiCheckNeeded(changes_, plan.record)) {
        const WifiCheck check = wifi_.check(plan.record);
        wifiNote = check.text;
        if (check.refuses() && !ssidNotSeenOk_) {
            if (!dryRun_)
                finishJournal(write, QStringLiteral("refused: ") + check.text, messagePrefix(), context);
            return fail(context, kUsageError, check.text + kSsidNotSeenHint);
        }
        if (!check.refuses() && check.outcome != WifiCheck::Outcome::Seen)
            wifi_.say(check.text, messagePrefix(), context);
    }
    if (dryRun_) {
        ModuleVerdict preview;
        preview.addressText = printer.device;
        preview.read = plan.read;
        preview.sent = plan.record;
        preview.outcome = ModuleVerdict::Outcome::WouldSave;
        preview.wifiCheck = wifiNote;
        return reportFleet({preview}, {json_, false, showSecrets_, true}, messagePrefix(), context);
    }
    if (const std::optional<QString> refused = write.backUp(noBackup_, sealer_.get())) {
        finishJournal(write, QStringLiteral("refused: no backup"), messagePrefix(), context);
        return fail(context, kRefused, noBackupRefusal(*refused));
    }
    if (!write.backupPath().isEmpty()) {
        context.err << QStringLiteral("Backup of the record as it was: %1\n").arg(terminalText(write.backupPath()));
        context.err.flush();
    }
    const int status = writeRecord(plan.record, printer.device, context);
    finishJournal(write, status == kSuccess ? QStringLiteral("written") : QStringLiteral("failed"), messagePrefix(),
                  context);
    if (status != kSuccess)
        return status;
    context.out
        << QStringLiteral("Written to %1; the printer does not confirm a write\n").arg(terminalText(printer.device));
    if (transport() == DirectTransport::Usb)
        context.out << "About waiting 20 seconds and please check printer LED status! \n";
    return kSuccess;
}

}  // namespace quillmar::cli
