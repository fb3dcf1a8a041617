#include "maintenance_verb_base.h"

#include <csignal>

#include "maintenance/maintenance_journal.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cctype>
#include <utility>

#include "comm/core_application.h"
#include "maintenance/device_address.h"
#include "maintenance/device_passwords.h"
#include "maintenance/device_session.h"
#include "maintenance/maintenance_result.h"
#include "module_address.h"
#include "platform/secret_store.h"
#include "progress_display.h"
#include "record/ipv4_text.h"
#include "search_options.h"
#include "site_map.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "text_table.h"
#include "write/module_census.h"
#include "write/write_guard.h"

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

// The --json object of one device.
QJsonObject resultObject(const MaintenanceRequest& request, const MaintenanceRun& run, int status,
                         const QStringList& message)
{
    return QJsonObject{{QStringLiteral("address"), QString::fromStdString(request.deviceIp)},
                       {QStringLiteral("mac"), QString::fromStdString(request.deviceMac)},
                       {QStringLiteral("code"), run.exception || run.setupError ? QJsonValue() : QJsonValue(run.code)},
                       {QStringLiteral("ok"), status == kSuccess},
                       {QStringLiteral("message"), message.join(u'\n')},
                       {QStringLiteral("log"), QJsonArray::fromStringList(run.log)}};
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

MaintenanceVerb::MaintenanceVerb(QString name, QString summary, Devices devices)
    : Verb(std::move(name), std::move(summary)), devices_(devices)
{
    if (devices_ == Devices::One) {
        addArgument(QStringLiteral("ADDRESS"), QStringLiteral("the device's IPv4 address, as discover lists it"));
        addArgument(QStringLiteral("MAC"), QStringLiteral("the device's MAC address, as discover lists it"));
        return;
    }
    addArgument(QStringLiteral("ADDRESS MAC"),
                QStringLiteral("a device's IPv4 and MAC address, as discover lists them; a pair for each device"),
                Count::ZeroOrMore);
    addOption({QStringLiteral("map"), QStringLiteral("the devices of a site's table, by their MACs, instead"),
               QStringLiteral("FILE.csv")});
}

void MaintenanceVerb::addSessionOptions()
{
    SecretUse use;
    use.password = true;
    takeSecrets(use);
    addJsonOption(QStringLiteral("print the result as one JSON object (several devices: an array of them)"));
}

QString MaintenanceVerb::sessionDetails()
{
    return QStringLiteral("The PC tries each of its interfaces in turn: a temporary host route and\n"
                          "neighbour entry make the device reachable even on a subnet the PC does not\n"
                          "have, and both are removed again in every outcome. That needs CAP_NET_ADMIN\n"
                          "(root, or setcap cap_net_admin+ep on quillmar-cli); without it nothing is sent\n"
                          "(exit status 1). The log-in on TCP port %1 carries a token of the password's\n"
                          "first %2 characters, or none without a password.\n"
                          "Progress goes to standard error: a bar on a terminal, plain lines elsewhere.\n"
                          "SIGINT (Ctrl-C), SIGTERM or SIGHUP (the terminal closed) stops the operation\n"
                          "at its next step, once its route and neighbour entry are removed (exit\n"
                          "status 130), however many come; a reader of the output that goes away (as\n"
                          "with | head) does not stop it.")
               .arg(kCommandPort)
               .arg(kMaxPasswordBytes)
           + QStringLiteral("\n\n") + SecretSources::help(SecretUse{false, false, true, false});
}

QString MaintenanceVerb::manyDevicesDetails()
{
    return QStringLiteral("Several devices (ADDRESS MAC ADDRESS MAC ..., or --map FILE.csv: the rows'\n"
                          "MACs, found where they answer one quick search) are done in parallel, at most\n"
                          "%1 sessions at once, each with its own route and neighbour entry, and never two\n"
                          "at one address at once. Each gets its verdict (a table, or --json: an array of\n"
                          "the one-device objects) and its audit line; a row of the map whose MAC did not\n"
                          "answer is \"not found\". Progress goes to standard error, a line per device and\n"
                          "step. Exit status 0 when every device succeeded, 130 when stopped (the devices\n"
                          "not started yet are not contacted), 1 otherwise.")
        .arg(kMostSessionsAtOnce);
}

int MaintenanceVerb::outcome(const MaintenanceRun& run, QStringList& message) const
{
    if (run.setupError) {
        message << *run.setupError;
        return kRefused;
    }
    if (run.exception) {
        message << exceptionLine() + QStringLiteral(": ") + *run.exception;
        return kRefused;
    }
    if (run.code == maintenance::kStopped) {
        message << QStringLiteral("stopped before the end; nothing is left in the PC's route and neighbour tables");
        if (const QString note = stopNote(run); !note.isEmpty())
            message << note;
        return kInterrupted;
    }
    if (const std::optional<OutcomeMessage> found = outcomeOf(run.code)) {
        message = messageLines(*found);
        return exitStatusOfMaintenance(run.code);
    }
    message << QStringLiteral("ended with code %1").arg(run.code);
    return exitStatusOfMaintenance(run.code);
}

int MaintenanceVerb::execute(const QCommandLineParser& parser, VerbContext& context)
{
    // A reader of the output that went away (| head) must not end the run
    // with SIGPIPE once the session is released: the report and its exit
    // status come last, so the signal stays ignored until the program ends.
    std::signal(SIGPIPE, SIG_IGN);
    QStringList words = parser.positionalArguments();
    const QStringList own = words.mid(words.size() - ownArguments());
    words = words.mid(0, words.size() - ownArguments());
    const bool fromMap = devices_ == Devices::Many && parser.isSet(QStringLiteral("map"));
    if (fromMap && !words.isEmpty())
        return usageError(context, QStringLiteral("the map names the devices: no ADDRESS MAC with --map"));
    if (!fromMap && words.isEmpty())
        return usageError(context, QStringLiteral("ADDRESS is missing"));
    if (!fromMap && words.size() % 2 != 0)
        return usageError(context, QStringLiteral("MAC is missing: ADDRESS and MAC go in pairs ('%1' has none)")
                                       .arg(terminalText(words.constLast())));

    // A password given goes to every device; one from the secret store is
    // each device's own, looked up by its MAC once the devices are known.
    QByteArray password;
    if (const SecretValue* given = secrets().value(SecretField::Password))
        password = given->value;
    if (password.size() > qsizetype(kMaxPasswordBytes)) {
        context.err << messagePrefix() << "only the first " << kMaxPasswordBytes
                    << " characters of the password are used, as the device uses no more\n";
        context.err.flush();
    }
    // Every device is checked before anything is sent to any.
    std::vector<MaintenanceRequest> requests;
    for (qsizetype i = 0; i + 1 < words.size(); i += 2) {
        QString error;
        const std::optional<std::uint32_t> address = parseModuleAddress(words[i], error);
        if (!address)
            return usageError(context, error);
        const QByteArray mac = toSystemBytes(words[i + 1]);
        if (const std::optional<QString> refused = checkDeviceMac(mac))
            return usageError(context, *refused);
        MaintenanceRequest request;
        request.deviceIp = formatIpv4(*address);
        request.deviceMac = mac.toStdString();
        for (const MaintenanceRequest& earlier : requests) {
            if (earlier.deviceIp == request.deviceIp && macKey(earlier.deviceMac) == macKey(request.deviceMac))
                return usageError(context,
                                  QStringLiteral("%1 %2 is given twice")
                                      .arg(QString::fromStdString(request.deviceIp), QString::fromLatin1(mac)));
        }
        requests.push_back(request);
    }

    MaintenanceRequest base;
    base.password = password.toStdString();
    if (const std::optional<int> status = prepare(own, parser, base, context))
        return *status;
    std::vector<QString> left;
    if (fromMap) {
        if (const std::optional<int> status = devicesOfMap(toSystemBytes(parser.value(QStringLiteral("map"))), base,
                                                           requests, left, context))
            return *status;
    }
    for (MaintenanceRequest& request : requests) {
        request.password = base.password;
        request.filePath = base.filePath;
        request.portName = base.portName;
    }
    if (!secrets().value(SecretField::Password) && secrets().passwordFromKeyring()) {
        if (const std::optional<int> status = passwordsFromKeyring(requests, context))
            return *status;
    }

    std::optional<AuditImage> image;
    if (const std::optional<QByteArray> path = imagePath(base)) {
        image = imageOfFile(*path);
        if (image) {
            context.err << imageLine(*image) << '\n';
            context.err.flush();
        }
    }
    if (fromMap || requests.size() > 1)
        return runMany(std::move(requests), left, image, jsonWanted(parser), context);

    const MaintenanceRequest& request = requests.front();
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
    const int status = outcome(run, message);
    journalMaintenance(name(), request, image, message.join(u' '),
                       [this, &context](const QString& line) { context.err << messagePrefix() << line << '\n'; });
    // The worker's message log, but not the line the message repeats.
    for (const QString& line : run.log) {
        if (line != message.join(u'\n'))
            context.err << messagePrefix() << terminalText(line.toLocal8Bit()) << '\n';
    }
    context.err.flush();
    if (jsonWanted(parser)) {
        QJsonObject result = resultObject(request, run, status, message);
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

std::optional<int> MaintenanceVerb::passwordsFromKeyring(std::vector<MaintenanceRequest>& requests,
                                                         VerbContext& context)
{
    // The store and its session bus answer on Qt's event loop.
    ensureCoreApplication();
    std::unique_ptr<SecretStore> own;
    SecretStore* store = context.secretStore;
    if (!store) {
        own = makeDesktopSecretStore();
        store = own.get();
    }
    for (MaintenanceRequest& request : requests) {
        QString error;
        const std::optional<std::string> remembered = rememberedDevicePassword(*store, request.deviceMac, error);
        if (!remembered) {
            const QString mac = terminalText(request.deviceMac);
            return fail(
                context, kRefused,
                error.isEmpty()
                    ? QStringLiteral("the desktop's secret store keeps no password for %1; nothing is sent").arg(mac)
                    : QStringLiteral("the desktop's secret store could not be asked: %1; nothing is sent").arg(error));
        }
        request.password = *remembered;
    }
    return std::nullopt;
}

std::optional<int> MaintenanceVerb::devicesOfMap(const QByteArray& path, const MaintenanceRequest& base,
                                                 std::vector<MaintenanceRequest>& requests, std::vector<QString>& left,
                                                 VerbContext& context)
{
    QStringList refusals;
    const std::optional<std::vector<MapRow>> rows = readSiteMap(path, refusals);
    if (!rows) {
        for (const QString& refusal : refusals)
            context.err << messagePrefix() << refusal << '\n';
        return fail(context, kUsageError, QStringLiteral("nothing is sent"));
    }
    QString error;
    bool usage = false;
    const std::optional<std::vector<LocalAddress>> locals = chooseLocalAddresses(SearchChoice{true, {}, {}}, error,
                                                                                 usage);
    if (!locals)
        return fail(context, kRefused, error);
    context.err << QStringLiteral("Searching for the %1 device%2 of %3...\n")
                       .arg(rows->size())
                       .arg(rows->size() == 1 ? "" : "s")
                       .arg(terminalText(path));
    context.err.flush();
    const std::vector<CensusModule> found = takeCensus(*locals, SearchTiming::quick());
    for (const MapRow& row : *rows) {
        std::vector<std::uint32_t> at;
        for (const CensusModule& module : found) {
            if (macKey(module.record.text(DeviceField::MacAddress)) == row.mac.toStdString()
                && std::find(at.begin(), at.end(), module.from) == at.end())
                at.push_back(module.from);
        }
        if (at.empty()) {
            left.push_back(QStringLiteral("%1 (line %2): not found; nothing is sent").arg(row.mac).arg(row.line));
            continue;
        }
        if (at.size() > 1) {
            left.push_back(
                QStringLiteral("%1 (line %2): its MAC answers from %3; only one of them is the device, nothing "
                               "is sent")
                    .arg(row.mac)
                    .arg(row.line)
                    .arg(addressList(at)));
            continue;
        }
        MaintenanceRequest request = base;
        request.deviceIp = formatIpv4(at.front());
        request.deviceMac = row.mac.toStdString();
        requests.push_back(request);
    }
    return std::nullopt;
}

int MaintenanceVerb::runMany(std::vector<MaintenanceRequest> requests, const std::vector<QString>& left,
                             const std::optional<AuditImage>& image, bool json, VerbContext& context)
{
    std::vector<QString> lastStep(requests.size());
    std::vector<int> statuses(requests.size(), kRefused);
    std::vector<QStringList> messages(requests.size());
    // Held until every verdict is written, as for one device.
    const StopSignals stops(StopSignals::Second::WaitsForRelease);
    const std::vector<MaintenanceRun> runs = runMaintenanceWorkers(
        requests,
        [this](const MaintenanceRequest& request, SessionEnvironment environment, MaintenanceStatus status) {
            return makeWorker(request, std::move(environment), std::move(status));
        },
        stops, context,
        [&](std::size_t i, const QString& text) {
            const QString shown = progressStep(text);
            if (shown.isEmpty() || shown == lastStep[i])
                return;
            lastStep[i] = shown;
            context.err << QString::fromStdString(requests[i].deviceIp) << ": " << shown << '\n';
            context.err.flush();
        },
        [&](std::size_t i, const MaintenanceRun& run) {
            statuses[i] = outcome(run, messages[i]);
            context.err << QString::fromStdString(requests[i].deviceIp) << ": " << messages[i].join(u' ') << '\n';
            for (const QString& line : run.log) {
                if (line != messages[i].join(u'\n'))
                    context.err << QString::fromStdString(requests[i].deviceIp) << ": "
                                << terminalText(line.toLocal8Bit()) << '\n';
            }
            context.err.flush();
        });
    bool stopped = false;
    bool failed = !left.empty();
    QJsonArray array;
    std::vector<QStringList> table{{QStringLiteral("Address"), QStringLiteral("MAC"), QStringLiteral("Verdict")}};
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const MaintenanceRun& run = runs[i];
        if (run.setupError)
            statuses[i] = outcome(run, messages[i]);
        journalMaintenance(name(), requests[i], image, messages[i].join(u' '),
                           [this, &context](const QString& line) { context.err << messagePrefix() << line << '\n'; });
        stopped = stopped || statuses[i] == kInterrupted;
        failed = failed || statuses[i] != kSuccess;
        QJsonObject result = resultObject(requests[i], run, statuses[i], messages[i]);
        describe(result, requests[i], run);
        array.append(result);
        table.push_back({QString::fromStdString(requests[i].deviceIp), QString::fromStdString(requests[i].deviceMac),
                         messages[i].join(u' ')});
    }
    for (const QString& line : left) {
        array.append(QJsonObject{{QStringLiteral("ok"), false}, {QStringLiteral("message"), line}});
        table.push_back({QStringLiteral("-"), line.section(u' ', 0, 0), line.section(u' ', 1)});
    }
    if (json)
        context.out << QString::fromUtf8(QJsonDocument(array).toJson());
    else
        printAligned(context.out, table);
    context.out.flush();
    if (stopped)
        return kInterrupted;
    return failed ? kRefused : kSuccess;
}

QString MaintenanceVerb::successNote() const
{
    return QStringLiteral("The device restarts and is off the network for a while; quillmar-cli discover finds it "
                          "again.");
}

}  // namespace quillmar::cli
