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
#include "platform/local_addresses.h"
#include "record/model_table.h"
#include "record_printing.h"
#include "terminal_text.h"
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

// The device list's columns.
void printTable(QTextStream& out, const std::vector<DeviceEntry>& devices)
{
    std::vector<QStringList> rows;
    QStringList header{QStringLiteral("Number")};
    for (const FieldLayout& layout : deviceFieldLayout())
        header << QString::fromLatin1(layout.columnCaption);
    rows.push_back(header);
    for (std::size_t row = 0; row < devices.size(); ++row) {
        QStringList cells{QString::number(row + 1)};
        for (const FieldLayout& layout : deviceFieldLayout())
            cells << terminalText(devices[row].text(layout.field));
        rows.push_back(cells);
    }
    std::vector<qsizetype> widths(std::size_t(header.size()), 0);
    for (const QStringList& cells : rows) {
        for (qsizetype i = 0; i < cells.size(); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], cells[i].size());
    }
    for (const QStringList& cells : rows) {
        QString line;
        for (qsizetype i = 0; i < cells.size(); ++i)
            line += i + 1 < cells.size() ? cells[i].leftJustified(widths[std::size_t(i)] + 2) : cells[i];
        out << line << '\n';
    }
    out << devices.size() << " found\n";
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
                   QStringLiteral("one JSON array for scripts: the record's fields by name, and address")});
        setDetails(QStringLiteral("Searches every network this PC is attached to (or one address with --ip) for\n"
                                  "printer modules and lists each once, with the address it answered from. A\n"
                                  "search that lists no module ends with exit status 3."));
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

        IfaddrsAddressSource source;
        LocalAddressReading reading = source.read();
        if (reading.error != 0) {
            return fail(context, kRefused,
                        QStringLiteral("GetIpAddrTable failed, %1; get local ip failed").arg(reading.error));
        }
        if (reading.addresses.empty())
            return fail(context, kRefused, QStringLiteral("no valid host ip; get local ip failed"));
        if (reading.addresses.size() > kMaxLocalAddresses)
            reading.addresses.resize(kMaxLocalAddresses);

        ErrorPrinter errors(context.err);
        SearchEngine engine(errors, family);
        context.err << QStringLiteral("Searching from %1 local address%2...\n")
                           .arg(reading.addresses.size())
                           .arg(reading.addresses.size() == 1 ? "" : "es");
        context.err.flush();
        const SearchResult result = engine.searchAllAddressesInParallel(reading.addresses, target);
        const std::vector<DeviceEntry> devices = engine.listedDevices();
        if (json)
            printJson(context.out, devices);
        else
            printTable(context.out, devices);
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
