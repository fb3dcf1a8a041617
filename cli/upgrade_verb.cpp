// quillmar-cli upgrade ADDRESS MAC FILE --port COMn [--password P] [--json]:
// replaces a device's firmware, as the manager's "Upgrade" command does.
#include <memory>

#include "com_port_option.h"
#include "maintenance/firmware_file_check.h"
#include "maintenance/image_kind.h"
#include "maintenance/maintenance_messages.h"
#include "maintenance/maintenance_thread.h"
#include "maintenance_verb_base.h"
#include "system_bytes.h"
#include "terminal_text.h"

namespace quillmar::cli {

namespace {

class UpgradeVerb final : public MaintenanceVerb {
public:
    UpgradeVerb() : MaintenanceVerb(QStringLiteral("upgrade"), QStringLiteral("replace one device's firmware"))
    {
        addArgument(QStringLiteral("FILE"), QStringLiteral("the firmware image"));
        addRequiredOption(comPortOption(QStringLiteral("the serial port the device's loader listens on")));
        addOption({QStringLiteral("force-image"),
                   QStringLiteral("send FILE even when it looks like an archive, a document or text")});
        addOption({QStringLiteral("in-loader"),
                   QStringLiteral("the device is in its serial loader already (an upgrade stopped after the "
                                  "hand-over): send FILE to the loader without contacting the device over the "
                                  "network")});
        addSessionOptions();
        setDetails(
            QStringLiteral("Opens the serial port (115200 baud, 8N1) and FILE first; only when both can\n"
                           "be used is the device at ADDRESS told (\"$SYCS\") to hand over to its serial\n"
                           "loader. The image then goes out by XMODEM in 128-byte blocks, each followed\n"
                           "by a pause of 100 ms: a 64 KiB image takes about a minute. Exit status 0\n"
                           "with \"Upgrade firmware OK!\"; 1 for \"initialize serial port failed\", \"open\n"
                           "file failed\", \"login to device failed\", \"serial read/write failed\" and\n"
                           "\"download file failed\"; 3 for \"connect to device failed 1\", \"send command\n"
                           "failed\" and \"recv loader menu failed\". FILE is checked as the upgrade\n"
                           "dialog checks it. A stop once the device was told to hand over leaves it in\n"
                           "its loader until an upgrade completes: --in-loader finishes it, telling the\n"
                           "loader to leave the transfer it was in and show its menu (CAN CAN, CR) and\n"
                           "sending FILE with nothing sent over the network. A FILE that begins like an archive\n"
                           "(ZIP, gzip, xz, 7z), a program (ELF, MZ), a PDF, XML or HTML document, or\n"
                           "whose first 4 KiB are text, is refused before the device is contacted\n"
                           "(exit status 2; --force-image sends it anyway). The image's size and SHA-256\n"
                           "are printed when the upgrade starts and kept in the audit log.\n"
                           "\n")
            + sessionDetails());
    }

private:
    int ownArguments() const override { return 1; }

    std::optional<int> prepare(const QStringList& own, const QCommandLineParser& parser, MaintenanceRequest& request,
                               VerbContext& context) override
    {
        QString error;
        const std::optional<SerialPortChoice> port = parseSerialPort(parser.value(QStringLiteral("port")), error);
        if (!port)
            return usageError(context, error);
        request.portName = toSystemBytes(port->name()).toStdString();
        const QByteArray path = toSystemBytes(own.at(0));
        request.filePath = path.toStdString();
        request.printerInLoader = parser.isSet(QStringLiteral("in-loader"));
        // The upgrade dialog's checks, on the name's own bytes: whatever the
        // name, a FIFO or a device is refused before anything waits on it.
        if (const std::optional<FirmwareFileRefusal> refusal = checkFirmwareFile(path))
            return fail(context, kRefused, terminalText(path) + QStringLiteral(": ") + refusal->text);
        if (!parser.isSet(QStringLiteral("force-image"))) {
            if (const std::optional<QString> refusal = notAnImage(path, kFirmwareImageName))
                return fail(context, kUsageError,
                            terminalText(path) + QStringLiteral(": ") + *refusal
                                + QStringLiteral("; the device is not contacted (--force-image sends it anyway)"));
        }
        return std::nullopt;
    }

    std::optional<QByteArray> imagePath(const MaintenanceRequest& request) const override
    {
        return QByteArray::fromStdString(request.filePath);
    }

    MaintenanceThread* makeWorker(const MaintenanceRequest& request, SessionEnvironment environment,
                                  MaintenanceStatus status) const override
    {
        return new upgradeFwThread(request, std::move(environment), std::move(status));
    }

    std::optional<OutcomeMessage> outcomeOf(int code) const override { return upgradeOutcome(code); }

    QString stopNote(const MaintenanceRun& run) const override
    {
        return run.handedOver ? QString::fromLatin1(kStaysInLoaderText) : QString();
    }

    void describe(QJsonObject& result, const MaintenanceRequest& request, const MaintenanceRun& run) const override
    {
        result.insert(QStringLiteral("port"), QString::fromStdString(request.portName));
        result.insert(QStringLiteral("file"), fromSystemBytes(QByteArray::fromStdString(request.filePath)));
        result.insert(QStringLiteral("blocksSent"), run.blocksSent);
        result.insert(QStringLiteral("blocks"), run.blocks);
    }
};

}  // namespace

std::unique_ptr<Verb> makeUpgradeVerb()
{
    return std::make_unique<UpgradeVerb>();
}

}  // namespace quillmar::cli
