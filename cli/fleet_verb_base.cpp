#include "fleet_verb_base.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>

#include <algorithm>
#include <mutex>
#include <set>
#include <thread>

#include "discovery/local_search.h"
#include "discovery/search_engine.h"
#include "module_address.h"
#include "record/ipv4_text.h"
#include "record/model_table.h"
#include "record/module_protocol.h"
#include "stop_signals.h"
#include "terminal_text.h"
#include "text_table.h"
#include "verdict_countdown.h"
#include "write/test_slip.h"
#include "write_backup.h"

namespace quillmar::cli {

namespace {

using Outcome = ModuleVerdict::Outcome;

constexpr int kLongestTickMs = 60000;
const QString kAllOption = QStringLiteral("all");
const QString kYesOption = QStringLiteral("yes");
const QString kFamilyOption = QStringLiteral("family");
const QString kTickOption = QStringLiteral("tick-ms");
const QString kVerifyOption = QStringLiteral("verify");
const QString kVerifyTimeoutOption = QStringLiteral("verify-timeout");
const QString kAllowDuplicateOption = QStringLiteral("allow-duplicate-address");
const QString kAddressOption = QStringLiteral("address");
const QString kSlipOption = QStringLiteral("slip");
constexpr int kLongestVerifySeconds = 3600;

QString macOf(const DeviceEntry& record)
{
    return terminalText(record.text(DeviceField::MacAddress).substr(0, kMacCompareLength));
}

// Progress while the saves run: one module as one save always printed it (on
// standard output, and on a terminal with a countdown to its verdict), several
// as a line per step on standard error, so that standard output holds only
// the table or the JSON.
class Progress final : public FleetSaveObserver {
public:
    Progress(VerbContext& context, bool oneAtATime, std::chrono::milliseconds tick)
        : context_(context), oneAtATime_(oneAtATime), tick_(tick), countdown_(context.err, context.errIsTerminal)
    {
    }

    void saveStarting(const ModuleVerdict& module) override
    {
        const qint64 seconds = (kDecidingTick + 1) * tick_.count() / 1000;
        if (oneAtATime_) {
            if (!module.backupPath.isEmpty()) {
                context_.err
                    << QStringLiteral("Backup of the record as it was: %1\n").arg(terminalText(module.backupPath));
                context_.err.flush();
            }
            context_.out << QStringLiteral("Saving to %1; the verdict comes in about %2 seconds\n")
                                .arg(module.addressText)
                                .arg(seconds);
            context_.out.flush();
            countdown_.start((kDecidingTick + 1) * tick_);
            return;
        }
        context_.err << module.addressText << ": saving"
                     << (module.backupPath.isEmpty()
                             ? QString()
                             : QStringLiteral(" (backup %1)").arg(terminalText(module.backupPath)))
                     << '\n';
        context_.err.flush();
    }

    void statusChanged(const ModuleVerdict&, const QString& text) override
    {
        if (!oneAtATime_)
            return;
        countdown_.clear();
        context_.out << text << '\n';
        context_.out.flush();
        countdown_.draw();
    }

    void finished(const ModuleVerdict& module) override
    {
        countdown_.stop();
        if (oneAtATime_)
            return;
        context_.err << module.addressText << ": " << module.message << '\n';
        context_.err.flush();
    }

private:
    VerbContext& context_;
    bool oneAtATime_;
    std::chrono::milliseconds tick_;
    VerdictCountdown countdown_;
};

// The search behind --all: every module it lists (the device list's rule:
// models of the family only, once per MAC and address, but with no cap on how
// many, so that a site of more than a hundred printers is saved whole, and a
// dry run lists what the run writes to) is handed to the saves as it comes,
// on the saving thread. Each is read only after a reply wait, and every
// answer goes to the guard: a stranger answering the same broadcast with a
// printer's MAC is heard by then, and neither host is written to.
class SearchFeed final : public SearchProgress {
public:
    SearchFeed(FleetSave& fleet, WriteGuard& guard, VerbContext& context, const QString& messagePrefix, int family,
               const SearchChoice& choice, const std::vector<LocalAddress>& locals, std::chrono::milliseconds hold)
        : fleet_(fleet), guard_(guard), context_(context), prefix_(messagePrefix), family_(family), choice_(choice),
          locals_(locals), hold_(hold)
    {
    }

    void addRowFrom(const DeviceEntry& entry, std::size_t localIndex) override
    {
        const std::optional<std::uint32_t> address = parseIpv4(entry.text(DeviceField::IpAddress));
        if (!address)
            return;
        {
            const std::lock_guard<std::mutex> hold(lock_);
            if (!listed_.insert({macKey(entry.text(DeviceField::MacAddress)), *address}).second)
                return;
        }
        const unsigned interfaceIndex = localIndex < locals_.size() ? locals_[localIndex].interfaceIndex : 0;
        const CensusModule heard{entry, *address, localIndex, interfaceIndex};
        const bool saved = choice_.keeps(entry) && isManagedModel(family_, entry.text(DeviceField::ModelName));
        FleetSave* fleet = &fleet_;
        WriteGuard* guard = &guard_;
        const std::chrono::milliseconds wait = hold_;
        QMetaObject::invokeMethod(
            fleet,
            [fleet, guard, heard, saved, wait] {
                guard->addHeard(heard);
                if (saved)
                    fleet->add(heard.from, heard.interfaceIndex, wait);
            },
            Qt::QueuedConnection);
    }

    void showError(const std::string& text) override
    {
        const QString line = prefix_ + terminalText(text) + u'\n';
        VerbContext* context = &context_;
        QMetaObject::invokeMethod(
            &fleet_,
            [context, line] {
                context->err << line;
                context->err.flush();
            },
            Qt::QueuedConnection);
    }

private:
    FleetSave& fleet_;
    WriteGuard& guard_;
    VerbContext& context_;
    QString prefix_;
    int family_;
    const SearchChoice& choice_;
    const std::vector<LocalAddress>& locals_;
    std::chrono::milliseconds hold_;
    std::mutex lock_;  // the engine's threads add rows at once
    std::set<std::pair<std::string, std::uint32_t>> listed_;
};

}  // namespace

FleetVerb::FleetVerb(QString name, QString summary, Targets targets)
    : Verb(std::move(name), std::move(summary)), targets_(targets)
{
    if (targets_ == Targets::Many) {
        addOption({kAllOption, QStringLiteral("every module a broadcast search lists, instead of ADDRESS...")});
        addOption({kYesOption, QStringLiteral("with --all and a Wi-Fi key (key, wpaPsk): send it to the modules the "
                                              "search lists without asking")});
        addOption({kFamilyOption,
                   QStringLiteral("with --all, the models listed: 1 RX4100 WI-FI; 2 (default) RX7000 WI-FI and "
                                  "RX_WIFI_IFBOARD"),
                   QStringLiteral("1|2")});
    }
    if (targets_ == Targets::Many) {
        for (const QCommandLineOption& option : searchOptions())
            addOption(option);
        addOption({kAddressOption,
                   QStringLiteral("when two hosts answer a search with one MAC, the address of the one that is the "
                                  "printer (repeatable); without it neither is written to"),
                   QStringLiteral("ADDRESS")});
    }
    addJsonOption(QStringLiteral("one JSON array of per-module verdicts for scripts"));
    addOption({kTickOption,
               QStringLiteral("length of one tick of the timed check (default %1)").arg(kSaveTickInterval.count()),
               QStringLiteral("MS")});
    addOption(noBackupOption());
    addOption(encryptBackupsOption());
    addOption(dryRunOption());
    addOption(showSecretsOption());
    addOption({kVerifyOption, QStringLiteral("after \"Save to Module OK\", wait for each module to answer again and "
                                             "compare its record with the one sent")});
    addOption({kVerifyTimeoutOption,
               QStringLiteral("how long --verify waits (default %1)").arg(kDefaultVerifyTimeout.count()),
               QStringLiteral("S")});
    addOption({kAllowDuplicateOption, QStringLiteral("give an ipAddress that another module already answers from")});
    addOption(ssidNotSeenOkOption());
    addOption(
        {kSlipOption, QStringLiteral("after a confirmed (and, with --verify, verified) save, print a test slip on "
                                     "each printer at its new address: device name, MAC, address, SSID, date")});
}

QString FleetVerb::fleetDetails() const
{
    QString text = QStringLiteral("Each module's record is read first (the read request from local UDP port %1 to\n"
                                  "port %2) and saved as the configuration window's \"Save to Module\" does: the\n"
                                  "save header and the record, a read request to the module's address at tick\n"
                                  "%3 and the verdict at tick %4 (about %4 seconds). A module that took the\n"
                                  "record restarts and stops answering there: \"Save to Module OK\". One that\n"
                                  "still answers has not taken it: not confirmed.\n")
                       .arg(kLocalConfigPort)
                       .arg(kModulePort)
                       .arg(kProbeTick + 1)
                       .arg(kDecidingTick + 1);
    if (targets_ == Targets::Many) {
        text += QStringLiteral("\n"
                               "Several modules (ADDRESS..., or --all for every module a broadcast search\n"
                               "lists, as discover does) are saved at once from the one port %1, each\n"
                               "answer going to the save of the module it came from, on one shared tick\n"
                               "timeline: forty modules take about one save time. A module whose values\n"
                               "break a rule is skipped with its message and the others still go. Progress\n"
                               "goes to standard error and a table of verdicts (or --json) to standard\n"
                               "output; one ADDRESS without --json is reported as a single save.\n")
                    .arg(kLocalConfigPort);
    }
    text += u'\n' + backupHelp() + u'\n';
    text += QStringLiteral(
        "\n"
        "--dry-run reads every module and runs every rule and guard, then prints for\n"
        "each the fields that would change (field: from -> to; Wi-Fi keys as \"hmac:\"\n"
        "and 12 hexadecimal digits keyed with this user's mask key, unless\n"
        "--show-secrets); only read requests are sent. --verify waits, after \"Save to Module OK\", for each module\n"
        "(found by its MAC) to answer again, at the saved address when it is STATIC or\n"
        "by broadcast searches when DHCP, for up to --verify-timeout seconds, and\n"
        "compares every field with the record sent: verified, differs (each field with\n"
        "what was sent and what was found) or not seen again. A new ipAddress that\n"
        "another module already answers from, or that the command gives to two\n"
        "modules, is refused before anything is sent (one broadcast search first);\n"
        "--allow-duplicate-address gives it anyway. A STATIC address outside the\n"
        "network the module answered on is warned of.\n"
        "\n"
        "A Wi-Fi key (key or wpaPsk) goes to --all only once the search is over: the\n"
        "modules it found are listed (MAC, address, model), and the key is sent when\n"
        "the question on the terminal is answered y. Without a terminal --yes is\n"
        "needed, or nothing is sent (exit status 2): any host on the network can\n"
        "answer a broadcast search.\n"
        "\n"
        "SIGINT (Ctrl-C) or SIGTERM ends the run at once with the table so far: a\n"
        "module whose record was already sent may have taken it (exit status 130).\n"
        "\n"
        "Exit status 0 only when every save was confirmed (and verified, with --verify;\n"
        "with --dry-run: when every module would be saved); 3 when no module answered;\n"
        "2 when a value breaks a rule or a guard and nothing was saved; 130 when\n"
        "stopped; 1 otherwise.");
    return text;
}

int FleetVerb::execute(const QCommandLineParser& parser, VerbContext& context)
{
    json_ = jsonWanted(parser);
    noBackup_ = parser.isSet(noBackupOption().names().constFirst());
    dryRun_ = parser.isSet(dryRunOption().names().constFirst());
    showSecrets_ = parser.isSet(showSecretsOption().names().constFirst());
    verify_ = parser.isSet(kVerifyOption);
    ssidNotSeenOk_ = parser.isSet(ssidNotSeenOkOption());
    slip_ = parser.isSet(kSlipOption);
    if (slip_ && dryRun_)
        return usageError(context, QStringLiteral("--slip prints after a save; a dry run saves nothing"));
    guard_.allowDuplicates(parser.isSet(kAllowDuplicateOption));
    if (targets_ == Targets::Many) {
        for (const QString& word : parser.values(kAddressOption)) {
            QString error;
            const std::optional<std::uint32_t> picked = parseModuleAddress(word, error);
            if (!picked)
                return usageError(context, error);
            guard_.pick(*picked);
        }
    }
    if (showSecrets_ && !dryRun_)
        return usageError(context, QStringLiteral("--show-secrets goes with --dry-run"));
    if (verify_ && dryRun_)
        return usageError(context, QStringLiteral("--verify reads back a save; a dry run saves nothing"));
    if (parser.isSet(kVerifyTimeoutOption)) {
        bool number = false;
        const int seconds = parser.value(kVerifyTimeoutOption).toInt(&number);
        if (!verify_)
            return usageError(context, QStringLiteral("--verify-timeout goes with --verify"));
        if (!number || seconds < 1 || seconds > kLongestVerifySeconds)
            return usageError(context,
                              QStringLiteral("--verify-timeout takes 1 to %1 seconds").arg(kLongestVerifySeconds));
        verifyTimeout_ = std::chrono::seconds(seconds);
    }
    if (parser.isSet(kTickOption)) {
        bool number = false;
        const int ms = parser.value(kTickOption).toInt(&number);
        if (!number || ms < 1 || ms > kLongestTickMs)
            return usageError(context, QStringLiteral("--tick-ms takes 1 to %1 milliseconds").arg(kLongestTickMs));
        tick_ = std::chrono::milliseconds(ms);
    }
    QStringList addressWords;
    if (targets_ == Targets::Many) {
        all_ = parser.isSet(kAllOption);
        family_ = kDefaultPrinterFamily;
        if (parser.isSet(kFamilyOption)) {
            const QString value = parser.value(kFamilyOption);
            if (!all_)
                return usageError(context, QStringLiteral("--family goes with --all"));
            if (value != QLatin1String("1") && value != QLatin1String("2"))
                return usageError(context, QStringLiteral("--family is 1 or 2, not '%1'").arg(terminalText(value)));
            family_ = value.toInt();
        }
    } else {
        addressWords << parser.positionalArguments().constFirst();
    }
    if (const std::optional<int> status = prepare(parser, context, addressWords))
        return *status;
    if (targets_ == Targets::Many) {
        yes_ = parser.isSet(kYesOption);
        if (yes_ && !all_)
            return usageError(context, QStringLiteral("--yes goes with --all"));
        keyToAll_ = all_ && sendsWifiKey() && !dryRun_;
        if (keyToAll_ && !yes_ && !(context.in && context.inIsTerminal)) {
            return fail(context, kUsageError,
                        QStringLiteral("a Wi-Fi key goes to every module that answers --all only when confirmed on a "
                                       "terminal, or with --yes; nothing is sent"));
        }
        search_ = readSearchOptions(parser);
        if (anySearchOption(parser) && !all_ && !searchFirst_)
            return usageError(context, QStringLiteral("--quick, --interface and --model go with a search (--all)"));
    }
    if (parser.isSet(kAddressOption) && !all_ && !searchFirst_)
        return usageError(context, QStringLiteral("--address goes with a search (--all or --map)"));
    if ((all_ || searchFirst_) && !addressWords.isEmpty())
        return usageError(context, QStringLiteral("give ADDRESS... or --all, not both"));
    if (searchFirst_ && all_)
        return usageError(context, QStringLiteral("the map names the modules: --all goes without it"));
    if (!all_ && !searchFirst_ && addressWords.isEmpty())
        return usageError(context, QStringLiteral("ADDRESS is missing (or --all for every module a search lists)"));
    for (const QString& word : addressWords) {
        QString error;
        const std::optional<std::uint32_t> address = parseModuleAddress(word, error);
        if (!address)
            return usageError(context, error);
        if (std::find(addresses_.begin(), addresses_.end(), *address) != addresses_.end())
            return usageError(context,
                              QStringLiteral("%1 is given twice").arg(QString::fromStdString(formatIpv4(*address))));
        addresses_.push_back(*address);
    }
    oneAtATime_ = !all_ && addresses_.size() == 1 && !json_;
    // The passphrase is asked (or refused) once every word is known good.
    {
        QString error;
        std::optional<std::unique_ptr<FileSealer>> sealer = backupSealer(parser, secrets(), context, error);
        if (!sealer)
            return fail(context, kUsageError, error + QStringLiteral("; nothing is sent"));
        sealer_ = std::move(*sealer);
    }

    if (changesAddresses()) {
        context.err << QStringLiteral("Searching the PC's networks for the modules' addresses...\n");
        context.err.flush();
        if (const std::optional<QString> error = guard_.survey())
            return fail(context, kRefused, error->isEmpty() ? QStringLiteral("the search failed") : *error);
    }

    Progress progress(context, oneAtATime_, tick_);
    FleetSave fleet([this, &context](const ModuleReading& module) { return plan(module, context); },
                    {tick_, context.readWait}, &progress);
    if (const std::optional<QString> error = fleet.open())
        return fail(context, kRefused, *error);
    // Ctrl-C ends the run with the table of what each module got so far.
    const StopSignals stops;
    if (all_ && !keyToAll_)
        return searchAndSave(fleet, stops, context);
    if (searchFirst_ || keyToAll_)
        return searchThenSave(fleet, stops, context);
    for (const std::uint32_t address : addresses_)
        fleet.add(address);
    fleet.noMoreModules();
    fleet.run([&stops] { return stops.raised(); });
    return finish(fleet.verdicts(), stops, context);
}

int FleetVerb::finish(std::vector<ModuleVerdict> verdicts, const StopSignals& stops, VerbContext& context)
{
    if (verify_ && !stops.raised()) {
        context.err << QStringLiteral("Reading the saved modules back (at most %1 s)...\n")
                           .arg(std::chrono::duration_cast<std::chrono::seconds>(verifyTimeout_).count());
        context.err.flush();
        readBack(verdicts, {verifyTimeout_}, [&stops] { return stops.raised(); });
    }
    if (slip_ && !stops.raised())
        printSlips(verdicts, context);
    audit(verdicts, context);
    const int status = reportFleet(verdicts, {json_, oneAtATime_, showSecrets_, dryRun_}, messagePrefix(), context);
    const bool slipMissing = std::any_of(verdicts.begin(), verdicts.end(), [](const ModuleVerdict& module) {
        return module.slip.startsWith(QLatin1String("not printed"));
    });
    return status == kSuccess && slipMissing ? kRefused : status;
}

void FleetVerb::printSlips(std::vector<ModuleVerdict>& verdicts, VerbContext& context)
{
    const QString author = slipAuthor();
    for (ModuleVerdict& module : verdicts) {
        const std::optional<SlipTarget> target = slipTarget(module);
        if (!target)
            continue;
        const QString& address = target->address;
        const quint16 port = target->port;
        context.err << QStringLiteral("Printing a test slip at %1:%2...\n").arg(address).arg(port);
        context.err.flush();
        const SlipPrint printed = printTestSlip(
            address, port, testSlip(*module.sent, address, QDateTime::currentDateTime(), author), verifyTimeout_);
        module.slip = printed.printed ? QStringLiteral("printed at %1:%2").arg(address).arg(port)
                                      : QStringLiteral("not printed: ") + printed.reason;
    }
}

SavePlan FleetVerb::plan(const ModuleReading& module, VerbContext& context)
{
    // Two addresses of one module would otherwise get two saves, the second
    // one racing the first one's restart.
    if (module.answerLength >= int(kDeviceEntrySize)) {
        const QString mac = macOf(module.record);
        if (const auto seen = macsSeen_.constFind(mac); seen != macsSeen_.constEnd()) {
            return SavePlan::leave(
                Outcome::Skipped,
                QStringLiteral("the same module (MAC %1) answered at %2 too; it is saved there only").arg(mac, *seen));
        }
        macsSeen_.insert(mac, module.addressText);
    }

    QString message;
    const std::optional<ModuleWrite> write = writeFor(module, message);
    if (!write)
        return SavePlan::leave(Outcome::Skipped, message + QStringLiteral("; nothing is saved"));
    WriteRequest request;
    request.chosenMac = write->chosenMac;
    request.where = module.addressText;
    request.answeredAt = module.address;
    request.changes = write->changes;
    request.rules = &windowFieldRules();
    request.guard = &guard_;
    const QByteArray answer(module.record.data(), std::min(module.answerLength, int(kDeviceEntrySize)));
    auto planned = std::make_unique<PlannedWrite>(name(), module.addressText, planWrite(request, answer));
    PlannedWrite& journal = *planned;
    journals_[{module.address, module.interfaceIndex}] = std::move(planned);
    const WritePlan& plan = journal.plan();
    switch (plan.step) {
    case WritePlan::Step::Planned:
        break;
    case WritePlan::Step::NotARecord:
        return SavePlan::leave(Outcome::Failed, plan.refusal + QStringLiteral("; nothing is done"));
    case WritePlan::Step::AddressInUse:
        return SavePlan::leave(Outcome::Skipped,
                               plan.refusal
                                   + QStringLiteral("; nothing is sent (--allow-duplicate-address gives it anyway)"));
    case WritePlan::Step::Conflict:
        return SavePlan::leave(Outcome::Skipped,
                               plan.refusal + QStringLiteral("; nothing is sent (--address names the printer's)"));
    case WritePlan::Step::AnotherPrinter:
    case WritePlan::Step::NotItsSender:
    case WritePlan::Step::Rule:
    case WritePlan::Step::Guard:
        return SavePlan::leave(Outcome::Skipped, plan.refusal + QStringLiteral("; nothing is sent"));
    }
    if (skipsUnchanged() && plan.unchanged())
        return SavePlan::leave(Outcome::Unchanged, QStringLiteral("unchanged"));
    QString wifiNote;
    if (wifiCheckNeeded(write->changes, plan.record)) {
        const WifiCheck check = wifi_.check(plan.record);
        wifiNote = check.text;
        if (check.refuses() && !ssidNotSeenOk_) {
            SavePlan refused = SavePlan::leave(Outcome::Skipped, check.text + kSsidNotSeenHint);
            refused.wifiCheck = wifiNote;
            return refused;
        }
        if (!check.refuses() && check.outcome != WifiCheck::Outcome::Seen)
            wifi_.say(check.text, messagePrefix(), context);
    }
    if (const std::optional<QString> warning = guard_.warning(module.address, plan.record)) {
        context.err << messagePrefix() << module.addressText << ": " << *warning << '\n';
        context.err.flush();
    }
    SavePlan saved = dryRun_ ? SavePlan::preview(plan.record) : SavePlan::save(plan.record);
    saved.wifiCheck = wifiNote;
    if (dryRun_)
        return saved;
    if (const std::optional<QString> refused = journal.backUp(noBackup_, sealer_.get()))
        return SavePlan::leave(Outcome::Failed, noBackupRefusal(*refused));
    saved.backupPath = journal.backupPath();
    return saved;
}

void FleetVerb::audit(const std::vector<ModuleVerdict>& verdicts, VerbContext& context)
{
    if (dryRun_)
        return;  // nothing was written
    for (const ModuleVerdict& module : verdicts) {
        std::unique_ptr<PlannedWrite>& journal = journals_[{module.address, module.interfaceIndex}];
        if (!journal) {
            // No plan was made: no answer, not found, stopped before the read.
            WritePlan unplanned;
            unplanned.mac = module.read ? module.read->text(DeviceField::MacAddress).substr(0, kMacCompareLength)
                                        : module.mac.toStdString();
            journal = std::make_unique<PlannedWrite>(name(), module.addressText, unplanned);
        }
        finishJournal(*journal, auditVerdict(module), messagePrefix(), context);
    }
}

std::optional<int> FleetVerb::chooseTargets(const std::vector<CensusModule>& found, std::vector<FleetTarget>& targets,
                                            std::vector<ModuleVerdict>&, VerbContext&)
{
    for (const CensusModule& module : found)
        targets.push_back({module.from, module.interfaceIndex});
    return std::nullopt;
}

std::optional<std::vector<LocalAddress>> FleetVerb::announceSearch(VerbContext& context, int& refused) const
{
    QString error;
    bool usage = false;
    std::optional<std::vector<LocalAddress>> locals = chooseLocalAddresses(search_, error, usage);
    if (!locals) {
        refused = usage ? usageError(context, error) : fail(context, kRefused, error);
        return std::nullopt;
    }
    context.err << searchingLine(locals->size()) << '\n';
    context.err.flush();
    return locals;
}

int FleetVerb::searchThenSave(FleetSave& fleet, const StopSignals& stops, VerbContext& context)
{
    int refused = 0;
    const std::optional<std::vector<LocalAddress>> locals = announceSearch(context, refused);
    if (!locals)
        return refused;
    std::vector<CensusModule> found = takeCensus(*locals, search_.timing());
    if (stops.raised())
        return fail(context, kInterrupted, QStringLiteral("stopped by the user during the search; nothing is saved"));
    // Every module that answered, of any model, is what a new address is held against.
    if (!changesAddresses())
        guard_.setCensus(found, *locals);
    std::erase_if(found, [this](const CensusModule& module) { return !search_.keeps(module.record); });

    if (keyToAll_) {
        if (const std::optional<int> status = confirmKeyTargets(found, context))
            return *status;
        if (stops.raised())
            return fail(context, kInterrupted, QStringLiteral("stopped by the user; nothing is saved"));
    }
    std::vector<FleetTarget> targets;
    std::vector<ModuleVerdict> left;
    if (const std::optional<int> status = chooseTargets(found, targets, left, context))
        return *status;
    for (const FleetTarget& target : targets)
        fleet.add(target.address, target.interfaceIndex);
    fleet.noMoreModules();
    fleet.run([&stops] { return stops.raised(); });
    std::vector<ModuleVerdict> verdicts = fleet.verdicts();
    verdicts.insert(verdicts.end(), left.begin(), left.end());
    return finish(std::move(verdicts), stops, context);
}

std::optional<int> FleetVerb::confirmKeyTargets(std::vector<CensusModule>& found, VerbContext& context) const
{
    // The device list's rule, as --all without a key applies it: the
    // family's models, once per MAC and address (a module heard on two
    // networks is saved once). A MAC from two addresses is listed at both
    // and goes to neither: one of them is a stranger.
    std::set<std::pair<std::string, std::uint32_t>> heard;
    std::erase_if(found, [this, &heard](const CensusModule& module) {
        return !isManagedModel(family_, module.record.text(DeviceField::ModelName))
               || !heard.insert({macKey(module.record.text(DeviceField::MacAddress)), module.from}).second;
    });
    if (found.empty())
        return fail(context, kNoAnswer, QStringLiteral("no module answered the search; nothing is saved"));
    std::sort(found.begin(), found.end(), [](const CensusModule& a, const CensusModule& b) { return a.from < b.from; });
    std::vector<QStringList> rows{{QStringLiteral("MAC"), QStringLiteral("Address"), QStringLiteral("Model")}};
    std::size_t receiving = 0;
    for (const CensusModule& module : found) {
        const bool claimed = !guard_.claimedElsewhere(module.record.text(DeviceField::MacAddress), module.from).empty();
        receiving += claimed ? 0 : 1;
        rows.push_back(
            {macOf(module.record), QString::fromStdString(formatIpv4(module.from)),
             terminalText(module.record.text(DeviceField::ModelName))
                 + (claimed ? QStringLiteral(" (its MAC answers from another address too: not sent)") : QString())});
    }
    context.err
        << QStringLiteral("The Wi-Fi key goes to these %1 module%2:\n").arg(receiving).arg(receiving == 1 ? "" : "s");
    printAligned(context.err, rows);
    if (yes_) {
        context.err.flush();
        return std::nullopt;
    }
    context.err << QStringLiteral("Send it to them? [y/N] ");
    context.err.flush();
    const QString answer = context.in->readLine().trimmed().toLower();
    if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
        return std::nullopt;
    return fail(context, kUsageError, QStringLiteral("not confirmed; nothing is sent"));
}

int FleetVerb::searchAndSave(FleetSave& fleet, const StopSignals& stops, VerbContext& context)
{
    int refused = 0;
    const std::optional<std::vector<LocalAddress>> locals = announceSearch(context, refused);
    if (!locals)
        return refused;

    SearchFeed feed(fleet, guard_, context, messagePrefix(), family_, search_, *locals, search_.timing().replyWait);
    SearchEngine engine(feed, family_, search_.timing());
    SearchResult result = SearchResult::Done;
    // The search runs beside the saves: a module is read and saved as soon as
    // it is listed, while the search's later rounds go on.
    std::thread search([&engine, &locals, &result, &fleet] {
        result = engine.searchAllAddressesInParallel(*locals, SearchTarget::everyone());
        QMetaObject::invokeMethod(
            &fleet, [&fleet] { fleet.noMoreModules(); }, Qt::QueuedConnection);
    });
    fleet.run([&stops, &engine] {
        if (!stops.raised())
            return false;
        engine.requestStop();
        return true;
    });
    search.join();

    std::vector<ModuleVerdict> verdicts = fleet.verdicts();
    std::sort(verdicts.begin(), verdicts.end(),
              [](const ModuleVerdict& a, const ModuleVerdict& b) { return a.address < b.address; });
    if (verdicts.empty() && fleet.interrupted())
        return fail(context, kInterrupted, QStringLiteral("stopped by the user during the search; nothing is saved"));
    if (verdicts.empty()) {
        finish(verdicts, stops, context);
        return fail(context, result == SearchResult::Done ? kNoAnswer : kRefused,
                    QStringLiteral("no module answered the search; nothing is saved"));
    }
    const int status = finish(std::move(verdicts), stops, context);
    return status == kSuccess && result != SearchResult::Done ? kRefused : status;
}

}  // namespace quillmar::cli
