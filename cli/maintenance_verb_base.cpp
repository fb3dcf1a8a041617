#include "maintenance_verb_base.h"

#include "maintenance/maintenance_journal.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cctype>
#include <utility>

#include "maintenance/device_address.h"
#include "maintenance/device_session.h"
#include "maintenance/maintenance_result.h"
#include "module_address.h"
#include "record/ipv4_text.h"
#include "system_bytes.h"
#include "terminal_text.h"

namespace quillmar::cli {

namespace {

constexpr int kMacTextLength = 17;

// Six two-digit hexadecimal groups with ':' or '-' between them, naming one
// device: the session binds the device's address to this MAC in the PC's
// neighbour table, so a group or empty address must never get that far.
std::optional<QString> checkDeviceMac(const QByteArray& text)
{
    bool wellFormed = text.size() == kMacTextLength;
    for (int i = 0; wellFormed && i < kMacTextLength; ++i) {
        const char c = text[i];
        wellFormed = i % 3 == 2 ? c == ':' || c == '-' : std::isxdigit(static_cast<unsigned char>(c)) != 0;
    }
    if (!wellFormed) {
        return QStringLiteral("'%1' is not a MAC address (six two-digit hexadecimal groups with ':' or '-' between "
                              "them, as discover lists it)")
            .arg(terminalText(text));
    }
    MacBytes mac{};
    macstr2bytes(std::string_view(text.constData(), std::size_t(text.size())), mac);
    if ((mac[0] & 1) != 0 || std::all_of(mac.begin(), mac.end(), [](std::uint8_t byte) { return byte == 0; }))
        return QStringLiteral("%1 is not the MAC address of one device").arg(terminalText(text));
    return std::nullopt;
}

// The manager's message as lines for a terminal: its question (a broadcast
// search on Yes) is not asked here.
QStringList messageLines(const OutcomeMessage& outcome)
{
    QStringList lines = QString::fromStdString(outcome.text).split(QStringLiteral("\r\n"));
    if (outcome.question && lines.size() > 1)
        lines.removeLast();
    return lines;
}

}  // namespace

int exitStatusOfMaintenance(int code)
{
    using namespace maintenance;
    switch (code) {
    case kOk:
        return kSuccess;
    case kNotConnected:
    case kLoginFailed:
    case kLoaderMenuFailed:
        return kNoAnswer;
    case kBadLoginKey:
        return kUsageError;
    case kStopped:
        return kInterrupted;
    default:
        return kRefused;
    }
}

MaintenanceVerb::MaintenanceVerb(QString name, QString summary) : Verb(std::move(name), std::move(summary))
{
    addArgument(QStringLiteral("ADDRESS"), QStringLiteral("the device's IPv4 address, as discover lists it"));
    addArgument(QStringLiteral("MAC"), QStringLiteral("the device's MAC address, as discover lists it"));
}

void MaintenanceVerb::addSessionOptions()
{
    addOption({QStringLiteral("password"),
               QStringLiteral("the device's password (its first %1 characters count)").arg(kMaxPasswordBytes),
               QStringLiteral("P")});
    addJsonOption(QStringLiteral("print the result as one JSON object"));
}

QString MaintenanceVerb::sessionDetails()
{
    return QStringLiteral("The PC tries each of its interfaces in turn: a temporary host route and\n"
                          "neighbour entry make the device reachable even on a subnet the PC does not\n"
                          "have, and both are removed again in every outcome. That needs CAP_NET_ADMIN\n"
                          "(root, or setcap cap_net_admin+ep on quillmar-cli); without it nothing is sent\n"
                          "(exit status 1). The log-in on TCP port %1 carries a token of the password's\n"
                          "first %2 characters, or none without --password; a password on the command\n"
                          "line can be seen by other users of this PC in the list of processes.\n"
                          "Progress goes to standard error: a bar on a terminal, plain lines elsewhere.\n"
                          "SIGINT (Ctrl-C), SIGTERM or SIGHUP (the terminal closed) stops the operation\n"
                          "at its next step, once its route and neighbour entry are removed (exit\n"
                          "status 130), however many come; a reader of the output that goes away (as\n"
                          "with | head) does not stop it.")
        .arg(kCommandPort)
        .arg(kMaxPasswordBytes);
}

int MaintenanceVerb::execute(const QCommandLineParser& parser, VerbContext& context)
{
    const QStringList arguments = parser.positionalArguments();
    QString error;
    const std::optional<std::uint32_t> address = parseModuleAddress(arguments[0], error);
    if (!address)
        return usageError(context, error);
    const QByteArray mac = toSystemBytes(arguments[1]);
    if (const std::optional<QString> refused = checkDeviceMac(mac))
        return usageError(context, *refused);
    const QByteArray password = toSystemBytes(parser.value(QStringLiteral("password")));
    if (password.size() > qsizetype(kMaxPasswordBytes)) {
        context.err << messagePrefix() << "only the first " << kMaxPasswordBytes
                    << " characters of --password are used, as the device uses no more\n";
        context.err.flush();
    }

    MaintenanceRequest request;
    request.deviceIp = formatIpv4(*address);
    request.deviceMac = mac.toStdString();
    request.password = password.toStdString();
    if (const std::optional<int> status = prepare(parser, request, context))
        return *status;

    std::optional<AuditImage> image;
    if (const std::optional<QByteArray> path = imagePath(request)) {
        image = imageOfFile(*path);
        if (image) {
            context.err << imageLine(*image) << '\n';
            context.err.flush();
        }
    }

    // Held until the outcome is written and flushed. Were the signals' own
    // actions back as soon as the worker had released the device, a second
    // Ctrl-C (or a first one that came as the worker ended) would end the
    // program while it writes the audit line, before it said how the
    // operation ended.
    const StopSignals stops(StopSignals::Second::WaitsForRelease);
    const MaintenanceRun run = runMaintenanceWorker(
        [this, &request](SessionEnvironment environment, MaintenanceStatus status) {
            return makeWorker(request, std::move(environment), std::move(status));
        },
        stops, context);
    const int status = report(parser, request, image, run, context);
    context.out.flush();
    context.err.flush();
    return status;
}

int MaintenanceVerb::report(const QCommandLineParser& parser, const MaintenanceRequest& request,
                            const std::optional<AuditImage>& image, const MaintenanceRun& run, VerbContext& context)
{
    const QByteArray mac = QByteArray::fromStdString(request.deviceMac);
    if (run.setupError)
        return fail(context, kRefused, *run.setupError);

    QStringList message;
    int status = kRefused;
    if (run.exception) {
        message << exceptionLine() + QStringLiteral(": ") + *run.exception;
    } else if (run.code == maintenance::kStopped) {
        message << QStringLiteral("stopped before the end; nothing is left in the PC's route and neighbour tables");
        if (const QString note = stopNote(run); !note.isEmpty())
            message << note;
        status = kInterrupted;
    } else if (const std::optional<OutcomeMessage> outcome = outcomeOf(run.code)) {
        message = messageLines(*outcome);
        status = exitStatusOfMaintenance(run.code);
    } else {
        message << QStringLiteral("ended with code %1").arg(run.code);
        status = exitStatusOfMaintenance(run.code);
    }

    journalMaintenance(name(), request, image, message.join(u' '),
                       [this, &context](const QString& line) { context.err << messagePrefix() << line << '\n'; });
    // The worker's message log, but not the line the message repeats.
    for (const QString& line : run.log) {
        if (line != message.join(u'\n'))
            context.err << messagePrefix() << terminalText(line.toLocal8Bit()) << '\n';
    }
    context.err.flush();
    if (jsonWanted(parser)) {
        QJsonObject result{{QStringLiteral("address"), QString::fromStdString(request.deviceIp)},
                           {QStringLiteral("mac"), QString::fromLatin1(mac)},
                           {QStringLiteral("code"), run.exception ? QJsonValue() : QJsonValue(run.code)},
                           {QStringLiteral("ok"), status == kSuccess},
                           {QStringLiteral("message"), message.join(u'\n')},
                           {QStringLiteral("log"), QJsonArray::fromStringList(run.log)}};
        describe(result, request, run);
        context.out << QString::fromUtf8(QJsonDocument(result).toJson());
    }
    if (status != kSuccess)
        return fail(context, status, message.join(u'\n'));
    if (!jsonWanted(parser)) {
        for (const QString& line : message)
            context.out << line << '\n';
        if (const QString note = successNote(); !note.isEmpty())
            context.out << note << '\n';
    }
    return kSuccess;
}

QString MaintenanceVerb::successNote() const
{
    return QStringLiteral("The device restarts and is off the network for a while; quillmar-cli discover finds it "
                          "again.");
}

}  // namespace quillmar::cli
