#include "config/key_file_import.h"

#include <QFile>
#include <functional>
#include <vector>

#include "platform/regular_files.h"
#include "record/ip_dot.h"
#include "record/number_text.h"
#include "record/single_byte_text.h"

namespace quillmar {

namespace {

// An address value as the address controls take it; a text that does not parse
// gives 255.255.255.255.
quint32 addressOf(const QString& text)
{
    return controlValueOf(dot2ip(toSingleByte(text)));
}

bool isOne(const QString& text)
{
    return text == QLatin1String("1");
}

bool isOneAt(const QString& text, qsizetype position)
{
    return position < text.size() && text.at(position) == u'1';
}

// The line's state that lasts past it: a "$SOM" line selected a mode.
struct ImportRun {
    ImportTarget& target;
    bool modeSelected = false;
};

using KeyEffect = std::function<void(ImportRun&, const QString& value)>;

struct KeyRow {
    const char* key;
    KeyEffect apply;
};

const std::vector<KeyRow>& keyTable()
{
    static const std::vector<KeyRow> table{
        {"$SBN", [](ImportRun& r, const QString& v) { r.target.setModelName(v); }},
        {"$SSB", [](ImportRun& r, const QString& v) { r.target.selectSerialBaud(v); }},
        {"$SSD", [](ImportRun& r, const QString& v) { r.target.selectSerialFormat(v); }},
        {"$SSF", [](ImportRun& r, const QString& v) { r.target.selectSerialFlow(v); }},
        {"$SSI", [](ImportRun& r, const QString& v) { r.target.selectSerialInterface(v); }},
        {"$SOD", [](ImportRun& r,
                    const QString& v) { r.target.setPackingSwitches(isOneAt(v, 0), isOneAt(v, 1), isOneAt(v, 2)); }},
        {"$SOS",
         [](ImportRun& r, const QString& v) {
             if (v.size() == 2)
                 r.target.setDelimiterTexts(v, QString());
             else if (v.size() == 4)
                 r.target.setDelimiterTexts(v.left(2), v.mid(2));
         }},
        {"$SOT",
         [](ImportRun& r, const QString& v) {
             if (!v.isEmpty())
                 r.target.setPackingTimeout(v);
         }},
        {"$SOL",
         [](ImportRun& r, const QString& v) {
             if (!v.isEmpty())
                 r.target.setPackingLength(v);
         }},
        {"$SLC", [](ImportRun& r, const QString& v) { r.target.setIpMode(isOne(v)); }},
        {"$SLI", [](ImportRun& r, const QString& v) { r.target.setModuleAddress(addressOf(v)); }},
        {"$SLN", [](ImportRun& r, const QString& v) { r.target.setSubnetMask(addressOf(v)); }},
        {"$SLG", [](ImportRun& r, const QString& v) { r.target.setGateway(addressOf(v)); }},
        {"$SLW", [](ImportRun& r, const QString& v) { r.target.selectTcpWindowIndex(toInteger(toSingleByte(v))); }},
        {"$SOM",
         [](ImportRun& r, const QString& v) {
             const char* item = v == QLatin1String("TS")   ? "TCP Server"
                                : v == QLatin1String("TC") ? "TCP Client"
                                : v == QLatin1String("UD") ? "UDP"
                                                           : nullptr;
             if (!item)
                 return;
             r.target.selectOperationMode(QString::fromLatin1(item));
             r.modeSelected = true;
         }},
        {"$SVP", [](ImportRun& r, const QString& v) { r.target.setListenPort(v); }},
        {"$SOC", [](ImportRun& r, const QString& v) { r.target.setConnectionTimeoutOn(v == QLatin1String("TO")); }},
        {"$SOU", [](ImportRun& r, const QString& v) { r.target.setConnectionTimeouts(v); }},
        {"$SUP", [](ImportRun& r, const QString& v) { r.target.setUdpRemotePort(v); }},
        {"$SUL", [](ImportRun& r, const QString& v) { r.target.setUdpLocalPort(v); }},
        {"$SUI", [](ImportRun& r, const QString& v) { r.target.setUdpRemoteAddress(addressOf(v)); }},
        {"$SCP", [](ImportRun& r, const QString& v) { r.target.setClientPort(v); }},
        {"$SCI", [](ImportRun& r, const QString& v) { r.target.setClientRemoteAddress(addressOf(v)); }},
        {"$SCN", [](ImportRun& r, const QString& v) { r.target.setClientHostName(v); }},
        {"$SCS",
         [](ImportRun& r, const QString& v) {
             const qsizetype comma = v.indexOf(u',');
             if (comma < 0)
                 r.target.setDnsAddresses(addressOf(v), std::nullopt);
             else
                 r.target.setDnsAddresses(addressOf(v.left(comma)), addressOf(v.mid(comma + 1)));
         }},
        {"$SOF", [](ImportRun& r, const QString& v) { r.target.setIpFilterOn(isOne(v)); }},
        {"$SOI",
         [](ImportRun& r, const QString& v) {
             const qsizetype colon = v.indexOf(u':');
             if (colon < 0)
                 return;
             const quint32 start = addressOf(v.left(colon));
             const quint32 end = addressOf(v.mid(colon + 1));
             if (start != 0)
                 r.target.setIpFilterStart(start);
             if (end != 0)
                 r.target.setIpFilterEnd(end);
         }},
    };
    return table;
}

void applyLine(ImportRun& run, const QByteArray& line)
{
    if (!line.startsWith("$S"))
        return;
    const QByteArray key = line.left(4);
    for (const KeyRow& row : keyTable()) {
        if (key == row.key) {
            row.apply(run, QString::fromLatin1(line.mid(4)));
            return;
        }
    }
}

}  // namespace

int ImportOutcome::result() const
{
    switch (status) {
    case ImportStatus::Read:
        return 0;
    case ImportStatus::ReadFailed:
        return -2;
    default:
        return -1;
    }
}

ImportOutcome applyKeyFileText(const QByteArray& text, ImportTarget& target)
{
    // The text is a C string: nothing after a NUL byte is ever looked at.
    const qsizetype nul = text.indexOf('\0');
    const QByteArray data = nul < 0 ? text : text.left(nul);

    ImportRun run{target};
    qsizetype position = 0;
    while (position < data.size()) {
        const qsizetype lineEnd = data.indexOf("\r\n", position);
        if (lineEnd < 0)
            break;
        try {
            applyLine(run, data.mid(position, lineEnd - position));
        } catch (const ConversionError& error) {
            return {ImportStatus::ConversionFailed, QString::fromLatin1(error.what())};
        }
        position = lineEnd + 2;
    }
    if (run.modeSelected)
        target.showUdpPanel();
    return {};
}

ImportOutcome importKeyFile(const QString& path, ImportTarget& target)
{
    // A FIFO or a device under the chosen name must not hold the window.
    const RegularFileRead file = readRegularFile(QFile::encodeName(path), kImportFileMaxSize);
    switch (file.status) {
    case RegularFileRead::Status::Missing:
        return {ImportStatus::FileMissing, QStringLiteral("file isn't exists")};
    case RegularFileRead::Status::NotOpened:
        return {ImportStatus::OpenFailed, QStringLiteral("open file failed")};
    case RegularFileRead::Status::BadSize:
        return {ImportStatus::ReadFailed, QStringLiteral("read file failed.")};
    case RegularFileRead::Status::Read:
        break;
    }
    return applyKeyFileText(file.bytes, target);
}

}  // namespace quillmar
