// quillmar-cli discover: the manager's search from a terminal. Every local
// address is searched at the same time, each from its own socket on port
// 16384 + k, and what is printed is what the manager's device list would show.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <memory>
#include <vector>

#include "discovery/search_engine.h"
#include "discovery/search_outcome.h"
#include "local_search.h"
#include "module_watch.h"
#include "record/model_table.h"
#include "record_printing.h"
#include "terminal_text.h"
#include "text_table.h"
#include "verb.h"

namespace quillmar::cli {

namespace {

// The engine calls this from its searching threads, one call at a time.
class ErrorPrinter final : public SearchProgress {
public:
    ErrorPrinter(QTextStream& err) : err_(err) {}
    void showError(const std::string& text) override
    {
        err_ << "quillmar-cli discover: " << terminalText(text) << '\n';
        err_.flush();
    }

private:
    QTextStream& err_;
};

// The record's fields by their names and the address the reply came from.
void printJson(QTextStream& out, const std::vector<DeviceEntry>& devices)
{
    QJsonArray rows;
    for (const DeviceEntry& device : devices) {
        QJsonObject object = recordToJson(device);
        object.insert(QStringLiteral("address"), QString::fromStdString(device.text(DeviceField::IpAddress)));
        rows.append(object);
    }
    out << QString::fromUtf8(QJsonDocument(rows).toJson());
}

// The device list's columns; on a narrow terminal the ones a technician looks
// for first (which printer, where), as many as fit.
void printTable(QTextStream& out, QTextStream& err, const std::vector<DeviceEntry>& devices, const RecordText& text)
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
        err << QStringLiteral("quillmar-cli discover: %1 of %2 columns fit the terminal's %3; --wide prints them all\n")
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
        addOption({QStringLiteral("family"),
                   QStringLiteral("1: RX4100 WI-FI; 2 (default): RX7000 WI-FI and RX_WIFI_IFBOARD"),
                   QStringLiteral("1|2")});
        addOption({QStringLiteral("json"),
                   QStringLiteral("one JSON array for scripts: the record's fields by name, and address; with "
                                  "--watch one JSON object per event line, with event and time")});
        addOption({QStringLiteral("watch"),
                   QStringLiteral("search again and again and print the modules that appeared, changed or went "
                                  "silent, until interrupted")});
        addOption(wideOption());
        addOption(showKeysOption());
        addOption({QStringLiteral("interval"),
                   QStringLiteral("with --watch, seconds from one search's start to the next's (default %1)")
                       .arg(kDefaultWatchInterval.count()),
                   QStringLiteral("S")});
        setDetails(QStringLiteral("Searches every network this PC is attached to (or one address with --ip) for\n"
                                  "printer modules and lists each once, with the address it answered from. A\n"
                                  "search that lists no module ends with exit status 3. Modules of the other\n"
                                  "--family are not listed; standard error says how many answered. On a\n"
                                  "terminal the table takes as many columns as fit (--wide: all of them); the\n"
                                  "Wi-Fi keys are ******** unless --show-secrets. --json holds everything.\n"
                                  "\n"
                                  "With --watch the search runs again every S seconds, one search at a time\n"
                                  "(a search takes about 9 seconds; a longer one is followed at once by the\n"
                                  "next), and each module that appeared, changed (a field of its record, or the\n"
                                  "address it answered from) or went silent since the search before is printed\n"
                                  "as it is found: time (UTC), event, address, MAC, device name, and the model\n"
                                  "or the fields that changed. Modules are told apart by MAC. SIGINT (Ctrl-C)\n"
                                  "or SIGTERM ends the watch with exit status 0."));
    }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) override
    {
        SearchTarget target = SearchTarget::everyone();
        if (parser.isSet(QStringLiteral("ip"))) {
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
        const bool json = parser.isSet(QStringLiteral("json"));

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
            return watchModules(watch, context, name());
        }
        if (parser.isSet(QStringLiteral("interval")))
            return usageError(context, QStringLiteral("--interval goes with --watch"));

        QString error;
        const std::optional<std::vector<LocalAddress>> locals = searchLocalAddresses(error);
        if (!locals)
            return fail(context, kRefused, error);
        const std::vector<LocalAddress>& addresses = *locals;

        ErrorPrinter errors(context.err);
        SearchEngine engine(errors, family);
        context.err << searchingLine(addresses.size()) << '\n';
        context.err.flush();
        const SearchResult result = engine.searchAllAddressesInParallel(addresses, target);
        const std::vector<DeviceEntry> devices = engine.listedDevices();
        if (json) {
            printJson(context.out, devices);
        } else {
            const RecordText text{parser.isSet(wideOption()) ? 0 : context.outColumns, parser.isSet(showKeysOption())};
            printTable(context.out, context.err, devices, text);
        }
        if (const std::size_t others = engine.otherFamilyCount(); others > 0) {
            context.out.flush();
            context.err << "quillmar-cli discover: " << QString::fromStdString(otherFamilyText(others))
                        << QStringLiteral("; give --family %1 to see them\n").arg(otherPrinterFamily(family));
            context.err.flush();
        }
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
