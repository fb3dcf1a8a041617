// A module's answer to the read request as config set and config apply take
// it: whatever comes back from the address read (a module, or anyone who
// answers in its place) is made the record to save with the command's
// changes, and is shown by the dry run and the verdict table. The module's
// own fields stay its own, nothing shown can drive a terminal, the JSON reads
// back, and Wi-Fi keys appear only with --show-secrets.
//
// Input: a byte choosing the changes (low three bits) and the report (bit 3:
// JSON, bit 4: --show-secrets), then the answer's bytes (at most 1024, as the
// configuration port reads them).
#include <QJsonDocument>
#include <QTextStream>
#include <algorithm>
#include <string_view>

#include "fleet_report.h"
#include "fuzz/fuzz_support.h"
#include "history/record_changes.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"
#include "settable_fields.h"
#include "write/readback.h"
#include "write/write_plan.h"

using namespace quillmar;

namespace {

constexpr std::uint32_t kAddress = 0xC0000214u;  // 192.0.2.20
constexpr std::size_t kLargestAnswer = 1024;

// What config set is given, and what config apply takes from an exported record.
const std::vector<QStringList> kChangeWords{
    {"ssid=Shop2"},
    {"wpaPsk=NewSecret1", "authMode=WPA2PSK", "encryType=AES"},
    {"key=1234567890", "authMode=SHARED", "encryType=WEP"},
    {"ipMode=DHCP"},
    {"deviceName=Till-2", "tcpPort=9100"},
    {"ip=192.0.2.99"},
    {"ssid=Back", "wifiMode=Adhoc", "authMode=OPEN", "encryType=NONE"},
    {"udpPort=6001"},
};

std::vector<std::vector<FieldChange>> changeSets()
{
    std::vector<std::vector<FieldChange>> sets;
    for (const QStringList& words : kChangeWords) {
        QString error;
        std::optional<std::vector<FieldChange>> changes = cli::parseFieldChanges(words, error);
        FUZZ_CHECK(changes.has_value());
        FUZZ_CHECK(!checkFieldChanges(windowFieldRules(), *changes));
        sets.push_back(*changes);
    }
    return sets;
}

bool drivesNoTerminal(const QString& text)
{
    for (const QChar c : text) {
        if (c != u'\n' && (c.unicode() < 0x20 || c.unicode() >= 0x7F))
            return false;
    }
    return true;
}

// A key shown in clear would be found as it is, unless the same text is
// also some other field's (which is shown) or so short that it could be part
// of a masked key's hash.
bool keyMayBeSought(const std::string& key, const std::vector<const DeviceEntry*>& records)
{
    if (key.size() < 8)
        return false;
    for (const DeviceEntry* record : records) {
        for (const FieldLayout& layout : deviceFieldLayout()) {
            if (!isKeyField(layout.field) && record->text(layout.field).find(key) != std::string::npos)
                return false;
        }
    }
    return true;
}

// The dry run's report, and the verdict table once saved and read back as
// answered (standard output, where keys could be seen).
QString reports(ModuleVerdict module, bool json, bool showSecrets)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    cli::VerbContext context{outStream, errStream};
    std::vector<ModuleVerdict> verdicts{module};
    cli::reportFleet(verdicts, {json, false, showSecrets, true}, QStringLiteral("config set"), context);
    if (module.sent) {
        verdicts[0].outcome = ModuleVerdict::Outcome::Confirmed;
        verdicts[0].readback = ModuleVerdict::Readback::Differs;
        verdicts[0].readbackAddress = verdicts[0].addressText;
        verdicts[0].differences = readbackDifferences(*module.sent, *module.read);
        cli::reportFleet(verdicts, {json, false, showSecrets, false}, QStringLiteral("config set"), context);
    }
    outStream.flush();
    errStream.flush();
    fuzz::trace("out:\n%s\nerr:\n%s", qPrintable(out), qPrintable(err));
    FUZZ_CHECK(json || drivesNoTerminal(err));
    return out;
}

// Each byte of both keys moved to the next value (255 to 1): never a byte the
// key had at that place, and two keys alike stay alike.
void swapKeys(DeviceEntry& record)
{
    for (DeviceField key : {DeviceField::Key, DeviceField::WpaPsk}) {
        std::string text(record.text(key));
        for (char& c : text)
            c = char(static_cast<unsigned char>(c) % 255 + 1);
        record.setText(key, text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ensureCoreApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ensureCoreApplication();
    static const std::vector<std::vector<FieldChange>> sets = changeSets();
    fuzz::ByteReader input(data, size);
    const std::uint8_t shape = input.byte();
    const std::vector<FieldChange>& changes = sets[shape % sets.size()];
    const bool json = (shape & 0x08) != 0;
    const bool showSecrets = (shape & 0x10) != 0;
    const std::string answer = input.bytes(kLargestAnswer);

    // As the fleet's read takes the answer.
    ModuleVerdict module;
    module.address = kAddress;
    module.addressText = QString::fromStdString(formatIpv4(kAddress));
    const DeviceEntry read = DeviceEntry::fromBytes(answer.data(), std::min(answer.size(), kDeviceEntrySize));
    module.read = read;

    WriteRequest request;
    request.where = module.addressText;
    request.answeredAt = kAddress;
    request.changes = changes;
    request.rules = &windowFieldRules();
    const WritePlan plan = planWrite(request, QByteArray(answer.data(), qsizetype(answer.size())));
    const QString& message = plan.refusal;
    const std::optional<DeviceEntry> record = plan.refused() ? std::nullopt : std::optional(plan.record);
    fuzz::trace("%zu bytes, changes %u: %s", answer.size(), unsigned(shape % sets.size()),
                record ? "saved" : qPrintable(message));
    if (record) {
        // The module's own fields go back as read, byte for byte.
        const std::string mac(read.text(DeviceField::MacAddress));
        fuzz::trace("macAddress read \"%s\" saved \"%s\"", std::string(read.text(DeviceField::MacAddress)).c_str(),
                    std::string(record->text(DeviceField::MacAddress)).c_str());
        FUZZ_CHECK(record->text(DeviceField::ModelName) == read.text(DeviceField::ModelName));
        FUZZ_CHECK(record->text(DeviceField::MacAddress) == mac);
        module.sent = record;
        module.outcome = ModuleVerdict::Outcome::WouldSave;
        module.message = QStringLiteral("would save");
    } else {
        module.outcome = ModuleVerdict::Outcome::Skipped;
        module.message = message;
    }

    const QString out = reports(module, json, showSecrets);
    if (json) {
        // Two reports, two JSON documents one after the other.
        for (const QString& document : out.split(QStringLiteral("]\n"), Qt::SkipEmptyParts))
            FUZZ_CHECK(QJsonDocument::fromJson((document + u']').toUtf8()).isArray());
    } else {
        FUZZ_CHECK(drivesNoTerminal(out));
    }
    if (!showSecrets) {
        // The same reports with every key swapped for a text that differs from
        // it in each byte: a key shown in clear is found more often in the
        // first than in the second. Words the report prints anyway ("would
        // save", the address, a choice) are found as often in both.
        ModuleVerdict swapped = module;
        swapKeys(*swapped.read);
        if (swapped.sent)
            swapKeys(*swapped.sent);
        const QString outSwapped = reports(swapped, json, showSecrets);
        std::vector<const DeviceEntry*> records{&read};
        if (record)
            records.push_back(&*record);
        for (const DeviceEntry* shown : records) {
            for (DeviceField key : {DeviceField::Key, DeviceField::WpaPsk}) {
                const std::string text = shown->text(key);
                if (!keyMayBeSought(text, records))
                    continue;
                const QString shownKey = fromSingleByte(text);
                FUZZ_CHECK(out.count(shownKey) <= outSwapped.count(shownKey));
            }
        }
    }
    return 0;
}
