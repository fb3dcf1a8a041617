// quillmar-cli discover: the manager's search from a terminal. Every local
// address is searched at the same time, each from its own socket on port
// 16384 + k, and what is printed is what the manager's device list would show.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "csv_text.h"
#include "discovery/local_search.h"
#include "discovery/search_engine.h"
#include "discovery/search_explanation.h"
#include "discovery/search_outcome.h"
#include "history/record_changes.h"
#include "inventory_cell.h"
#include "module_watch.h"
#include "progress_display.h"
#include "record/field_name_text.h"
#include "record/field_names.h"
#include "record/ipv4_text.h"
#include "record/model_table.h"
#include "record_printing.h"
#include "search_options.h"
#include "terminal_text.h"
#include "text_table.h"
#include "verb.h"
#include "write/sender_check.h"
#include "write/write_guard.h"

namespace quillmar::cli {

namespace {

// The engine calls this from its searching threads, one call at a time.
class ErrorPrinter final : public SearchProgress {
public:
    ErrorPrinter(QTextStream& err, QString prefix, int family) : err_(err), prefix_(std::move(prefix)), family_(family)
    {
    }
    void showError(const std::string& text) override
    {
        if (display_)
            display_->finish();
        err_ << prefix_ << terminalText(text) << '\n';
        err_.flush();
    }
    // A range search's progress, when it is shown.
    void showRangeOn(ProgressDisplay* display) { display_ = display; }
    void addressesAsked(std::size_t asked, std::size_t total) override
    {
        if (display_)
            display_->countDone(qint64(asked), qint64(total), QStringLiteral("addresses"));
    }
    // Every module of the family once per MAC and address, as the device
    // list keeps it but without its hundred slots (a site may have more),
    // which local address first heard each, for the inventory's interface
    // column, and the address its record stores, which the inventory keeps
    // as its ipAddress.
    void addReply(const DeviceEntry& entry, const std::string& storedAddress, std::size_t localIndex) override
    {
        if (!isManagedModel(family_, entry.text(DeviceField::ModelName)))
            return;
        if (heardBy_.try_emplace(keyOf(entry), Heard{localIndex, storedAddress}).second)
            devices_.push_back(entry.normalized());
    }
    // The other addresses a listed module's MAC answered from.
    QStringList elsewhere(const DeviceEntry& entry) const
    {
        QStringList others;
        const std::string mac = macKey(entry.text(DeviceField::MacAddress));
        for (const DeviceEntry& device : devices_) {
            if (macKey(device.text(DeviceField::MacAddress)) == mac
                && device.text(DeviceField::IpAddress) != entry.text(DeviceField::IpAddress))
                others << QString::fromStdString(device.text(DeviceField::IpAddress));
        }
        return others;
    }
    const std::vector<DeviceEntry>& devices() const { return devices_; }
    std::size_t heardBy(const DeviceEntry& entry) const { return heard(entry).localIndex; }
    // The record as the module stores it: its own ipAddress, not where it answered.
    DeviceEntry stored(const DeviceEntry& entry) const
    {
        DeviceEntry record = entry;
        record.setText(DeviceField::IpAddress, heard(entry).storedAddress);
        return record;
    }

private:
    struct Heard {
        std::size_t localIndex = 0;
        std::string storedAddress;
    };
    static std::pair<std::string, std::string> keyOf(const DeviceEntry& entry)
    {
        return {macKey(entry.text(DeviceField::MacAddress)), entry.text(DeviceField::IpAddress)};
    }
    Heard heard(const DeviceEntry& entry) const
    {
        const auto found = heardBy_.find(keyOf(entry));
        return found == heardBy_.end() ? Heard{0, entry.text(DeviceField::IpAddress)} : found->second;
    }

    QTextStream& err_;
    QString prefix_;
    int family_;
    ProgressDisplay* display_ = nullptr;
    std::map<std::pair<std::string, std::string>, Heard> heardBy_;
    std::vector<DeviceEntry> devices_;
};

// The inventory: address, interface and the record's fields by name, keys
// masked unless asked for; what config apply --map reads back.
void printCsv(QTextStream& out, const std::vector<DeviceEntry>& devices, const ErrorPrinter& heard,
              const std::vector<LocalAddress>& locals, bool showSecrets)
{
    QStringList header{QStringLiteral("address"), QStringLiteral("interface")};
    for (const FieldLayout& layout : deviceFieldLayout())
        header << nameOf(layout.field);
    out << csvRecord(header);
    for (const DeviceEntry& device : devices) {
        const std::size_t local = heard.heardBy(device);
        QStringList cells{QString::fromStdString(device.text(DeviceField::IpAddress)),
                          local < locals.size() ? interfaceName(locals[local].interfaceIndex) : QString()};
        const DeviceEntry stored = heard.stored(device);
        for (const FieldLayout& layout : deviceFieldLayout())
            cells << inventoryCell(
                shownText(layout.field, stored.text(layout.field), showSecrets).toLatin1().toStdString());
        out << csvRecord(cells);
    }
}

// The record's fields by their names (ipAddress as the module stores it) and
// the address the reply came from.
void printJson(QTextStream& out, const std::vector<DeviceEntry>& devices, const ErrorPrinter& heard,
               const std::map<std::string, QString>& strangers)
{
    QJsonArray rows;
    for (const DeviceEntry& device : devices) {
        QJsonObject object = recordToJson(heard.stored(device));
        if (strangers.contains(device.text(DeviceField::IpAddress)))
            object.insert(QStringLiteral("macDoesNotMatchSender"), true);
        // Its MAC answered from these addresses too: one of them is a stranger.
        if (const QStringList others = heard.elsewhere(device); !others.isEmpty())
            object.insert(QStringLiteral("alsoAnsweredFrom"), QJsonArray::fromStringList(others));
        object.insert(QStringLiteral("address"), QString::fromStdString(device.text(DeviceField::IpAddress)));
        rows.append(object);
    }
    out << QString::fromUtf8(QJsonDocument(rows).toJson());
}

// The device list's columns; on a narrow terminal the ones a technician looks
// for first (which printer, where), as many as fit; what was left out is said
// on standard error after `messagePrefix`.
void printTable(QTextStream& out, QTextStream& err, const QString& messagePrefix,
                const std::vector<DeviceEntry>& devices, const RecordText& text)
{
    std::vector<QStringList> rows;
    QStringList header{QStringLiteral("Number")};
    for (const FieldLayout& layout : deviceFieldLayout())
        header << QString::fromLatin1(layout.columnCaption);
    rows.push_back(header);
    for (std::size_t row = 0; row < devices.size(); ++row) {
        QStringList cells{QString::number(row + 1)};
        for (const FieldLayout& layout : deviceFieldLayout())
            cells << fieldText(devices[row], layout.field, text.showSecrets);
        rows.push_back(cells);
    }
    // Number, Device Name, IP Address, MAC Address, Model Name, SSID, the
    // modes, the ports, the keys.
    const std::vector<qsizetype> wanted{0, 2, 4, 3, 1, 11, 7, 8, 9, 10, 5, 6, 12, 13};
    const qsizetype shown = printWithin(out, rows, wanted, text.width);
    out << devices.size() << " found\n";
    if (shown < header.size()) {
        out.flush();
        err << messagePrefix
            << QStringLiteral("%1 of %2 columns fit the terminal's %3; --wide prints them all\n")
                   .arg(shown)
                   .arg(header.size())
                   .arg(text.width);
        err.flush();
    }
}

class DiscoverVerb final : public Verb {
public:
    DiscoverVerb()
        : Verb(QStringLiteral("discover"), QStringLiteral("find printer modules on every network this PC is on"))
    {
        addOption({QStringLiteral("ip"), QStringLiteral("ask this address only"), QStringLiteral("ADDRESS")});
        addOption({QStringLiteral("range"),
                   QStringLiteral("ask every address of a network (10.20.0.0/24) or range (A-B), at most a /20"),
                   QStringLiteral("RANGE")});
        addOption({QStringLiteral("family"),
                   QStringLiteral("1: RX4100 WI-FI; 2 (default): RX7000 WI-FI and RX_WIFI_IFBOARD"),
                   QStringLiteral("1|2")});
        addJsonOption(QStringLiteral("one JSON array for scripts: the record's fields by name as the module stores "
                                     "them, and address (where it answered); with "
                                     "--watch one JSON object per event line, with event and time"));
        addOption({QStringLiteral("watch"),
                   QStringLiteral("search again and again and print the modules that appeared, changed or went "
                                  "silent, until interrupted")});
        addOption(wideOption());
        addOption(showKeysOption());
        addOption({QStringLiteral("interval"),
                   QStringLiteral("with --watch, seconds from one search's start to the next's (default %1)")
                       .arg(kDefaultWatchInterval.count()),
                   QStringLiteral("S")});
        addOption({QStringLiteral("explain"),
                   QStringLiteral("say what this PC shows of why modules may not answer (also said when none did)")});
        addOption({QStringLiteral("csv"),
                   QStringLiteral("an inventory for config apply --map: a header, then one row per module")});
        for (const QCommandLineOption& option : searchOptions())
            addOption(option);
        setDetails(QStringLiteral("Searches every network this PC is attached to (or one address with --ip) for\n"
                                  "printer modules and lists each once, with the address it answered from (all\n"
                                  "of them: the manager's list stops at 100). A search that lists no module ends\n"
                                  "with exit status 3. Modules of the other --family are not listed; standard\n"
                                  "error says how many answered. On a terminal the table takes as many columns\n"
                                  "as fit (--wide: all of them); the Wi-Fi keys are ******** unless\n"
                                  "--show-secrets. --json holds everything.\n"
                                  "\n"
                                  "--csv prints an inventory (RFC 4180): address (where the module answered),\n"
                                  "interface and the 13 record fields by their names as the module stores them\n"
                                  "(ipAddress too, which a DHCP module may hold otherwise than where it\n"
                                  "answered), Wi-Fi keys as \"hmac:\" and 12 hexadecimal digits of their\n"
                                  "HMAC-SHA-256 under this user's mask key ($XDG_STATE_HOME/quillmar/mask.key,\n"
                                  "made once): the same key gives the same mask on this PC, and the mask cannot\n"
                                  "be reversed without that file. --show-secrets shows the keys in clear.\n"
                                  "Edited, it is what config apply --map takes. --quick sends one request per\n"
                                  "network and ends 1 s after the last answer (at most 3 s); --interface NAME\n"
                                  "(repeatable) searches from those interfaces only; --model TEXT keeps modules\n"
                                  "whose model name contains TEXT.\n"
                                  "\n"
                                  "--range searches a network behind a router or on another VLAN, which a\n"
                                  "broadcast does not reach: 10.20.0.0/24, or 10.20.0.5-10.20.0.60, at most\n"
                                  "4096 addresses (a /20) at a time. The search request goes to each address\n"
                                  "once (a network's own and broadcast address left out), at most %1 a second,\n"
                                  "each from the local address (and port 16384 + k) whose route reaches it;\n"
                                  "answers count only from the addresses asked, and are awaited until %2 ms\n"
                                  "after the last request. A /24 takes about %3 seconds. On a terminal a bar\n"
                                  "shows the addresses asked. --csv, --json, --model and --interface work as\n"
                                  "for any search.\n"
                                  "\n"
                                  "When no module answers the search, or with --explain, standard error says\n"
                                  "what this PC shows: its interfaces and addresses, whether it has an address\n"
                                  "on the network asked or a route to it (and through which interface), and\n"
                                  "whether its firewall (the nftables ruleset, firewalld's or ufw's tables\n"
                                  "among it) drops the modules' answers to UDP ports 16384-16415 and 6000,\n"
                                  "naming the rule; then the exact command that lets them in (the package\n"
                                  "ships a firewalld service and a ufw profile, both named quillmar). Reading\n"
                                  "the ruleset needs root.\n"
                                  "\n"
                                  "With --watch the search runs again every S seconds, one search at a time\n"
                                  "(a search takes about 9 seconds; a longer one is followed at once by the\n"
                                  "next), and each module that appeared, changed (a field of its record, or the\n"
                                  "address it answered from) or went silent since the search before is printed\n"
                                  "as it is found: time (UTC), event, address, MAC, device name, and the model\n"
                                  "or the fields that changed. Modules are told apart by MAC. SIGINT (Ctrl-C)\n"
                                  "or SIGTERM ends the watch with exit status 0.")
                       .arg(kRangeRequestsPerSecond)
                       .arg(kRangeAnswerWait.count())
                       .arg((254 + kRangeRequestsPerSecond - 1) / kRangeRequestsPerSecond + 1));
    }

private:
    // What the PC shows of why modules may not answer, on standard error.
    void explain(const SearchTarget& target, const std::vector<LocalAddress>& searched, bool answered,
                 VerbContext& context) const
    {
        SystemExplanationSources sources;
        const Explanation explanation = explainSearch(target, searched, sources);
        context.out.flush();
        context.err << (answered ? QStringLiteral("What this PC shows:\n")
                                 : QStringLiteral("Why no module may have answered, as this PC shows it:\n"));
        for (const std::string& line : explanation.found)
            context.err << "  " << terminalText(line) << '\n';
        if (!explanation.commands.empty()) {
            context.err << QStringLiteral("To let the answers in (or reach the network):\n");
            for (const std::string& line : explanation.commands)
                context.err << "  " << terminalText(line) << '\n';
        }
        context.err.flush();
    }

    SearchResult searchEverywhere(SearchEngine& engine, const std::vector<LocalAddress>& addresses,
                                  const SearchTarget& target, VerbContext& context) const
    {
        context.err << searchingLine(addresses.size()) << '\n';
        context.err.flush();
        return engine.searchAllAddressesInParallel(addresses, target);
    }

    SearchResult searchRange(SearchEngine& engine, ErrorPrinter& errors, const std::vector<LocalAddress>& addresses,
                             const AddressRange& range, VerbContext& context) const
    {
        const std::size_t count = range.addressesToAsk().size();
        context.err << QStringLiteral("Searching %1: %2 address%3, at most %4 a second (about %5 s)\n")
                           .arg(QString::fromStdString(range.text()))
                           .arg(count)
                           .arg(count == 1 ? "" : "es")
                           .arg(kRangeRequestsPerSecond)
                           .arg(qint64(count / kRangeRequestsPerSecond + 1));
        context.err.flush();
        ProgressDisplay display(context.err, context.errIsTerminal);
        display.setText(QStringLiteral("search %1").arg(QString::fromStdString(range.text())));
        errors.showRangeOn(&display);
        const SearchResult result = engine.searchRange(addresses, range);
        errors.showRangeOn(nullptr);
        display.finish();
        const RangeCount asked = engine.rangeCount();
        if (asked.unrouted > 0)
            context.err << messagePrefix()
                        << QStringLiteral("%1 address%2 of %3 cannot be reached from this PC (no route): nothing was "
                                          "sent to them\n")
                               .arg(asked.unrouted)
                               .arg(asked.unrouted == 1 ? "" : "es")
                               .arg(QString::fromStdString(range.text()));
        if (asked.elsewhere > 0)
            context.err << messagePrefix()
                        << QStringLiteral("%1 address%2 of %3 are reached through an interface the search leaves "
                                          "out (--interface): nothing was sent to them\n")
                               .arg(asked.elsewhere)
                               .arg(asked.elsewhere == 1 ? "" : "es")
                               .arg(QString::fromStdString(range.text()));
        context.err.flush();
        return result;
    }

    int execute(const QCommandLineParser& parser, VerbContext& context) override
    {
        SearchTarget target = SearchTarget::everyone();
        if (parser.isSet(QStringLiteral("range"))) {
            if (parser.isSet(QStringLiteral("ip")))
                return usageError(context, QStringLiteral("give --ip or --range, not both"));
            if (parser.isSet(QStringLiteral("quick")) || parser.isSet(QStringLiteral("watch")))
                return usageError(context, QStringLiteral("--quick and --watch go without --range"));
            std::string error;
            const std::optional<AddressRange> range = parseAddressRange(
                parser.value(QStringLiteral("range")).toStdString(), error);
            if (!range)
                return usageError(context, terminalText(error));
            target = SearchTarget::within(*range);
        } else if (parser.isSet(QStringLiteral("ip"))) {
            const QString address = parser.value(QStringLiteral("ip"));
            if (!isSearchableAddress(address.toStdString()))
                return usageError(context, QStringLiteral("invalid IP address '%1'").arg(terminalText(address)));
            target = SearchTarget::at(address.toStdString());
        }
        int family = kDefaultPrinterFamily;
        if (parser.isSet(QStringLiteral("family"))) {
            const QString value = parser.value(QStringLiteral("family"));
            if (value != QLatin1String("1") && value != QLatin1String("2"))
                return usageError(context, QStringLiteral("--family is 1 or 2, not '%1'").arg(terminalText(value)));
            family = value.toInt();
        }
        const bool json = jsonWanted(parser);
        const bool csv = parser.isSet(QStringLiteral("csv"));
        const SearchChoice choice = readSearchOptions(parser);
        if (csv && json)
            return usageError(context, QStringLiteral("give --csv or --json, not both"));
        if (parser.isSet(QStringLiteral("watch")) && (csv || anySearchOption(parser)))
            return usageError(context, QStringLiteral("--csv, --quick, --interface and --model go without --watch"));
        if (parser.isSet(QStringLiteral("watch")) && parser.isSet(QStringLiteral("explain")))
            return usageError(context, QStringLiteral("--explain goes without --watch"));

        if (parser.isSet(QStringLiteral("watch"))) {
            WatchSettings watch{target, family, kDefaultWatchInterval, json};
            if (parser.isSet(QStringLiteral("interval"))) {
                bool number = false;
                const double seconds = parser.value(QStringLiteral("interval")).toDouble(&number);
                if (!number || !(seconds >= 0.1 && seconds <= 86400))
                    return usageError(context, QStringLiteral("--interval takes 0.1 to 86400 seconds, not '%1'")
                                                   .arg(terminalText(parser.value(QStringLiteral("interval")))));
                watch.interval = std::chrono::milliseconds(qint64(seconds * 1000));
            }
            return watchModules(watch, context, messagePrefix());
        }
        if (parser.isSet(QStringLiteral("interval")))
            return usageError(context, QStringLiteral("--interval goes with --watch"));

        QString error;
        bool usage = false;
        const std::optional<std::vector<LocalAddress>> locals = chooseLocalAddresses(choice, error, usage);
        if (!locals) {
            if (usage)
                return usageError(context, error);
            fail(context, kRefused, error);
            explain(target, {}, false, context);
            return kRefused;
        }

        const std::vector<LocalAddress>& addresses = *locals;

        ErrorPrinter errors(context.err, messagePrefix(), family);
        SearchEngine engine(errors, family, choice.timing());
        const SearchResult result = target.range ? searchRange(engine, errors, addresses, *target.range, context)
                                                 : searchEverywhere(engine, addresses, target, context);
        std::vector<DeviceEntry> devices = errors.devices();
        std::erase_if(devices, [&choice](const DeviceEntry& device) { return !choice.keeps(device); });
        for (const DeviceEntry& device : devices) {
            const QStringList others = errors.elsewhere(device);
            if (others.isEmpty() || others.front() < QString::fromStdString(device.text(DeviceField::IpAddress)))
                continue;  // said once per MAC, at its first address
            context.err << messagePrefix()
                        << QStringLiteral("MAC %1 answers from %2 and %3: only one of them is that printer\n")
                               .arg(terminalText(device.text(DeviceField::MacAddress).substr(0, kMacCompareLength)),
                                    QString::fromStdString(device.text(DeviceField::IpAddress)),
                                    others.join(QStringLiteral(" and ")));
        }
        // A record carrying a MAC that is not its sender's card: a stranger
        // claiming a printer, which no write goes to.
        std::map<std::string, QString> strangers;
        NetlinkHostTables tables;
        for (const DeviceEntry& device : devices) {
            const std::optional<std::uint32_t> sender = parseIpv4(device.text(DeviceField::IpAddress));
            if (!sender)
                continue;
            const std::string mac = device.text(DeviceField::MacAddress).substr(0, kMacCompareLength);
            if (const std::optional<QString> mismatch = senderMismatch(tables, mac, *sender)) {
                strangers[device.text(DeviceField::IpAddress)] = *mismatch;
                context.err << messagePrefix() << *mismatch << '\n';
            }
        }
        if (csv) {
            printCsv(context.out, devices, errors, addresses, parser.isSet(showKeysOption()));
        } else if (json) {
            printJson(context.out, devices, errors, strangers);
        } else {
            const RecordText text{parser.isSet(wideOption()) ? 0 : context.outColumns, parser.isSet(showKeysOption())};
            printTable(context.out, context.err, messagePrefix(), devices, text);
        }
        if (const std::size_t others = engine.otherFamilyCount(); others > 0) {
            context.out.flush();
            context.err << messagePrefix() << QString::fromStdString(otherFamilyText(others))
                        << QStringLiteral("; give --family %1 to see them\n").arg(otherPrinterFamily(family));
            context.err.flush();
        }
        // Modules that answered but are not listed (another family, another
        // model) were reached: what keeps them from the list is said above.
        const bool anyAnswer = !errors.devices().empty() || engine.otherFamilyCount() > 0;
        if (!anyAnswer || parser.isSet(QStringLiteral("explain")))
            explain(target, addresses, anyAnswer, context);
        if (result != SearchResult::Done)
            return kRefused;
        return devices.empty() ? kNoAnswer : kSuccess;
    }
};

}  // namespace

std::unique_ptr<Verb> makeDiscoverVerb()
{
    return std::make_unique<DiscoverVerb>();
}

}  // namespace quillmar::cli
