// quillmar-cli discover: the manager's search from a terminal. Every local
// address is searched at the same time, each from its own socket on port
// 16384 + k, and what is printed is what the manager's device list would show.
#include "discover_verb.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "discovery/search_engine.h"
#include "platform/local_addresses.h"
#include "record/model_table.h"

namespace quillmar::cli {
namespace {

const char kDiscoverUsage[] =
    "Usage: quillmar-cli discover [--ip ADDRESS] [--family 1|2] [--json]\n"
    "\n"
    "Searches every network this PC is attached to (or one address with --ip) for\n"
    "printer modules and lists each once, with the address it answered from.\n"
    "  --ip ADDRESS   ask this address only\n"
    "  --family 1|2   1: RX4100 WI-FI; 2 (default): RX7000 WI-FI and RX_WIFI_IFBOARD\n"
    "  --json         one JSON array for scripts instead of a table\n";

class ErrorPrinter final : public SearchProgress {
public:
    void showError(const std::string& text) override
    {
        std::fprintf(stderr, "quillmar-cli: %s\n", text.c_str());
    }
};

// One object per row, keyed by the device list's column captions; field bytes
// are single-byte text and are decoded as Latin-1.
void printJson(const std::vector<DeviceEntry>& devices)
{
    QJsonArray rows;
    for (std::size_t row = 0; row < devices.size(); ++row) {
        QJsonObject object;
        object.insert(QStringLiteral("Number"), static_cast<int>(row + 1));
        for (const FieldLayout& layout : deviceFieldLayout()) {
            const std::string text = devices[row].text(layout.field);
            object.insert(QString::fromLatin1(layout.columnCaption),
                          QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
        }
        rows.append(object);
    }
    std::fputs(QJsonDocument(rows).toJson(QJsonDocument::Indented).constData(), stdout);
}

// Bytes outside printable ASCII as \xHH, so a module's text cannot drive the terminal.
std::string printable(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    return out;
}

void printTable(const std::vector<DeviceEntry>& devices)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header{"Number"};
    for (const FieldLayout& layout : deviceFieldLayout())
        header.push_back(layout.columnCaption);
    rows.push_back(header);
    for (std::size_t row = 0; row < devices.size(); ++row) {
        std::vector<std::string> cells{std::to_string(row + 1)};
        for (const FieldLayout& layout : deviceFieldLayout())
            cells.push_back(printable(devices[row].text(layout.field)));
        rows.push_back(cells);
    }
    std::vector<std::size_t> widths(header.size(), 0);
    for (const auto& cells : rows) {
        for (std::size_t i = 0; i < cells.size(); ++i)
            widths[i] = std::max(widths[i], cells[i].size());
    }
    for (const auto& cells : rows) {
        std::string line;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            line += cells[i];
            if (i + 1 < cells.size())
                line += std::string(widths[i] - cells[i].size() + 2, ' ');
        }
        std::puts(line.c_str());
    }
    std::printf("%zu found\n", devices.size());
}

}  // namespace

int runDiscover(int argc, char** argv)
{
    SearchTarget target = SearchTarget::everyone();
    int family = kDefaultPrinterFamily;
    bool json = false;
    for (int i = 0; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(kDiscoverUsage, stdout);
            return 0;
        }
        if (option == "--json") {
            json = true;
        } else if ((option == "--ip" || option == "--family") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (option == "--ip") {
                if (!isSearchableAddress(value)) {
                    std::fputs("quillmar-cli: invalid IP address\n", stderr);
                    return 2;
                }
                target = SearchTarget::at(value);
            } else if (value == "1" || value == "2") {
                family = value[0] - '0';
            } else {
                std::fprintf(stderr, "quillmar-cli: --family must be 1 or 2, got '%s'\n", value.c_str());
                return 2;
            }
        } else {
            std::fprintf(stderr, "quillmar-cli: discover: unexpected '%s'\n%s", option.c_str(), kDiscoverUsage);
            return 2;
        }
    }

    IfaddrsAddressSource source;
    LocalAddressReading reading = source.read();
    if (reading.error != 0) {
        std::fprintf(stderr, "quillmar-cli: GetIpAddrTable failed, %d\nquillmar-cli: get local ip failed\n",
                     reading.error);
        return 1;
    }
    if (reading.addresses.empty()) {
        std::fputs("quillmar-cli: no valid host ip\nquillmar-cli: get local ip failed\n", stderr);
        return 1;
    }
    if (reading.addresses.size() > kMaxLocalAddresses)
        reading.addresses.resize(kMaxLocalAddresses);

    ErrorPrinter errors;
    SearchEngine engine(errors, family);
    if (!json)
        std::fprintf(stderr, "Searching from %zu local address%s...\n", reading.addresses.size(),
                     reading.addresses.size() == 1 ? "" : "es");
    const SearchResult result = engine.searchAllAddressesInParallel(reading.addresses, target);
    const std::vector<DeviceEntry> devices = engine.listedDevices();
    if (json)
        printJson(devices);
    else
        printTable(devices);
    return result == SearchResult::Done ? 0 : 1;
}

}  // namespace quillmar::cli
