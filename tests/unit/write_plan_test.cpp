// The one plan of every write: a record is read, it must be the chosen
// printer, only the set fields change on it, every text fits and passes the
// path's rules, and the address guard passes a new address; each refusal
// names what it refused.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <linux/neighbour.h>

#include <cstring>

#include "record/field_name_text.h"
#include "support/sample_devices.h"
#include "write/form_changes.h"
#include "write/radio_rules.h"
#include "write/sender_check.h"
#include "write/wifi_check.h"
#include "write/write_plan.h"

namespace quillmar {
namespace {

constexpr char kMac[] = "00-1B-2C-3D-4E-5F";

QByteArray bytesOf(const DeviceEntry& record, qsizetype length = 256)
{
    QByteArray bytes(record.data(), 256);
    return length <= 256 ? bytes.left(length) : bytes + QByteArray(length - 256, 'x');
}

// The printer as read: garbage after the SSID's terminator and a stale WEP key
// beside AES, both of which a write that does not touch them keeps.
DeviceEntry printerAsRead()
{
    DeviceEntry read = test::kitchenPrinter("192.0.2.20", kMac);
    read.fieldData(DeviceField::Ssid)[20] = 'x';
    return read;
}

TEST(WritePlan, EachStepRefusesWithItsReasonAndOnlyTheSetFieldsChange)
{
    const DeviceEntry read = printerAsRead();
    DeviceEntry damaged = read;
    damaged.setText(DeviceField::AuthMode, "WPA3");
    DeviceEntry other = read;
    other.setText(DeviceField::MacAddress, "00-1B-2C-3D-4E-60");
    struct Case {
        const char* name;
        QByteArray answer;
        std::vector<FieldChange> changes;
        const FieldRules& rules;
        WritePlan::Step step;
        const char* refusal;  // the start of it
        std::vector<std::pair<DeviceField, std::string>> written;
    };
    const Case cases[] = {
        {"a short answer",
         bytesOf(read, 3),
         {},
         recordFieldRules(),
         WritePlan::Step::NotARecord,
         "the answer at 192.0.2.20 is not a settings record (3 bytes instead of 256)",
         {}},
        {"a longer answer is its first 256 bytes",
         bytesOf(read, 300),
         {{DeviceField::Ssid, "Shop2"}},
         recordFieldRules(),
         WritePlan::Step::Planned,
         "",
         {{DeviceField::Ssid, "Shop2"}}},
        {"a damaged coded field",
         bytesOf(damaged),
         {},
         recordFieldRules(),
         WritePlan::Step::NotARecord,
         "the answer at 192.0.2.20 is not a settings record: authMode \"WPA3\"",
         {}},
        {"another printer",
         bytesOf(other),
         {{DeviceField::Ssid, "Shop2"}},
         recordFieldRules(),
         WritePlan::Step::AnotherPrinter,
         "another printer (MAC 00-1B-2C-3D-4E-60) answers at 192.0.2.20",
         {}},
        {"17 characters never cut",
         bytesOf(read),
         {{DeviceField::DeviceName, "Kitchen-Printer-2"}},
         recordFieldRules(),
         WritePlan::Step::Rule,
         "deviceName: 17 characters, at most 16 fit",
         {}},
        {"35 characters of SSID",
         bytesOf(read),
         {{DeviceField::Ssid, QString(35, u's')}},
         toolFieldRules(),
         WritePlan::Step::Rule,
         "ssid: at most 34 characters",
         {}},
        {"the window's rule",
         bytesOf(read),
         {{DeviceField::Ssid, "Shop Net"}},
         windowFieldRules(),
         WritePlan::Step::Rule,
         "ssid: invalid SSID config!",
         {}},
        {"a choice the Wi-Fi mode does not offer",
         bytesOf(read),
         {{DeviceField::WifiMode, "Adhoc"}},
         windowFieldRules(),
         WritePlan::Step::Rule,
         "authMode WPA2PSK is not offered with wifiMode Adhoc",
         {}},
        {"a tool's choice in any case",
         bytesOf(read),
         {{DeviceField::AuthMode, "wpapsk"}},
         toolFieldRules(),
         WritePlan::Step::Planned,
         "",
         {{DeviceField::AuthMode, "WPAPSK"}}},
        {"to WEP: the WPA key stays as it was",
         bytesOf(read),
         {{DeviceField::AuthMode, "OPEN"}, {DeviceField::EncryType, "WEP"}, {DeviceField::Key, "wep-key-13abc"}},
         windowFieldRules(),
         WritePlan::Step::Planned,
         "",
         {{DeviceField::AuthMode, "OPEN"}, {DeviceField::EncryType, "WEP"}, {DeviceField::Key, "wep-key-13abc"}}},
        {"a WEP key box changed under AES goes blank",
         bytesOf(read),
         {{DeviceField::Key, "typed"}},
         recordFieldRules(),
         WritePlan::Step::Planned,
         "",
         {{DeviceField::Key, ""}}},
        {"an address written as dotted text",
         bytesOf(read),
         {{DeviceField::IpAddress, "192.0.2.21"}},
         windowFieldRules(),
         WritePlan::Step::Planned,
         "",
         {{DeviceField::IpAddress, "192.0.2.21"}}},
        {"an address no printer may take",
         bytesOf(read),
         {{DeviceField::IpAddress, "224.1.2.3"}},
         windowFieldRules(),
         WritePlan::Step::Guard,
         "224.1.2.3 is a multicast address",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRequest request;
        request.chosenMac = "00:1b:2c:3d:4e:5f";  // the same printer in another notation
        request.where = QStringLiteral("192.0.2.20");
        request.answeredAt = 0xC0000214u;
        request.changes = c.changes;
        request.rules = &c.rules;
        const WritePlan plan = planWrite(request, c.answer);
        EXPECT_EQ(plan.step, c.step);
        EXPECT_EQ(plan.refusal.left(qsizetype(std::strlen(c.refusal))), QLatin1String(c.refusal));
        if (plan.refused()) {
            // The audit line is keyed to the printer the user chose.
            EXPECT_EQ(plan.mac, c.step == WritePlan::Step::NotARecord || c.step == WritePlan::Step::AnotherPrinter
                                    ? request.chosenMac
                                    : std::string(kMac));
            continue;
        }
        DeviceEntry expected = read;
        for (const auto& [field, text] : c.written)
            expected.setText(field, text);
        EXPECT_EQ(plan.record, expected);
        EXPECT_EQ(plan.changes().size(), c.written.size());
    }
}

TEST(WritePlan, AWindowSetsOnlyTheBoxesChangedSinceItShowedThePrinter)
{
    // The window showed an out-of-date record; the printer has a newer SSID
    // since. Only the device name was changed in the window.
    DeviceEntry listed = printerAsRead();
    listed.setText(DeviceField::Ssid, "OldNet");
    ToolBoxTexts shown = toolTextsFromRecord(listed);
    ToolBoxTexts now = shown;
    now.deviceName = QStringLiteral("Bar-1");
    WriteRequest request;
    request.chosenMac = kMac;
    request.where = QStringLiteral("COM2");
    request.onCable = true;
    request.changes = toolChanges(shown, now);
    request.rules = &toolFieldRules();
    const WritePlan plan = planWrite(request, bytesOf(printerAsRead()));
    ASSERT_FALSE(plan.refused()) << plan.refusal.toStdString();
    EXPECT_EQ(plan.record.text(DeviceField::Ssid), "ShopNet");
    EXPECT_EQ(plan.record.text(DeviceField::DeviceName), "Bar-1");
    ASSERT_EQ(plan.changes().size(), 1u);
    EXPECT_FALSE(plan.unchanged());

    request.changes = toolChanges(shown, shown);
    EXPECT_TRUE(planWrite(request, bytesOf(printerAsRead())).unchanged());
    request.chosenMac = "00-1B-2C-3D-4E-61";
    EXPECT_EQ(planWrite(request, bytesOf(printerAsRead())).refusal,
              QStringLiteral("another printer (MAC 00-1B-2C-3D-4E-5F) answers on COM2"));
}

TEST(RadioRules, ANameOrAKeyTheRadioDoesNotTakeIsRefusedOnlyWhenTheWriteTouchesIt)
{
    const std::string hex64(64, 'a');
    const struct {
        std::vector<FieldChange> changes;
        const char* encryption;
        const char* refused;  // the start of the message; nullptr: taken
    } cases[] = {
        {{{DeviceField::Ssid, QString(32, u's')}}, "AES", nullptr},
        {{{DeviceField::Ssid, QString(33, u's')}},
         "AES",
         "ssid: a Wi-Fi network name is 1 to 32 bytes (this one has 33)"},
        {{{DeviceField::WpaPsk, "seven77"}}, "AES", "wpaPsk: a WPA passphrase is 8 to 63"},
        {{{DeviceField::WpaPsk, "eight888"}}, "TKIP", nullptr},
        {{{DeviceField::WpaPsk, QString(63, u'p')}}, "AES", nullptr},
        {{{DeviceField::WpaPsk, QString(64, u'p')}}, "AES", "wpaPsk: a WPA passphrase"},
        {{{DeviceField::WpaPsk, QString::fromStdString(hex64)}}, "AES", nullptr},
        {{{DeviceField::WpaPsk, "tab\there!"}}, "AES", "wpaPsk: a WPA passphrase"},
        {{{DeviceField::Key, "ABCDE"}}, "WEP", nullptr},
        {{{DeviceField::Key, "wep-key-1"}}, "WEP", "key: a WEP key is 5 or 13 characters or 10 or 26"},
        {{{DeviceField::Key, "0123456789"}}, "WEP", nullptr},
        {{{DeviceField::Key, "012345678g"}}, "WEP", "key: a WEP key"},
        {{{DeviceField::Key, "0123456789abcdef0123456789"}}, "WEP", nullptr},
        {{{DeviceField::EncryType, "AES"}}, "AES", "wpaPsk: a WPA passphrase"},  // the printer's empty key goes
        {{{DeviceField::DeviceName, "Bar-1"}}, "AES", nullptr},                  // a key it keeps is not judged
        {{{DeviceField::EncryType, "NONE"}}, "NONE", nullptr},
    };
    for (const auto& c : cases) {
        DeviceEntry record = test::kitchenPrinter("192.0.2.20");
        record.setText(DeviceField::WpaPsk, "");
        record.setText(DeviceField::EncryType, c.encryption);
        for (const FieldChange& change : c.changes)
            record.setText(change.field, change.value.toStdString());
        const std::optional<QString> problem = radioRuleProblem(c.changes, record);
        SCOPED_TRACE(c.changes.front().value.toStdString());
        if (!c.refused)
            EXPECT_FALSE(problem) << problem->toStdString();
        else
            EXPECT_TRUE(problem && problem->startsWith(QLatin1String(c.refused))) << problem.value_or("").toStdString();
    }
}

TEST(WifiCheck, ThePrintersSecurityIsMatchedWithWhatItsAccessPointOffers)
{
    const struct {
        const char* auth;
        const char* encryption;
        unsigned flags;
        unsigned wpa;
        unsigned rsn;
        WifiCheck::Outcome outcome;
    } cases[] = {
        {"WPA2PSK", "AES", kApPrivacy, 0, kApKeyPsk | kApPairCcmp, WifiCheck::Outcome::Seen},
        {"WPA2PSK", "TKIP", kApPrivacy, 0, kApKeyPsk | kApPairCcmp, WifiCheck::Outcome::Mismatch},
        {"WPAPSK", "TKIP", kApPrivacy, kApKeyPsk | kApPairTkip, kApKeyPsk | kApPairCcmp, WifiCheck::Outcome::Seen},
        {"WPAPSK", "AES", kApPrivacy, 0, kApKeyPsk | kApPairCcmp, WifiCheck::Outcome::Mismatch},
        {"OPEN", "NONE", 0, 0, 0, WifiCheck::Outcome::Seen},
        {"OPEN", "WEP", kApPrivacy, 0, 0, WifiCheck::Outcome::Seen},
        {"OPEN", "NONE", kApPrivacy, 0, 0, WifiCheck::Outcome::Mismatch},
        {"WPA2PSK", "AES", kApPrivacy, 0, kApKey8021x | kApPairCcmp, WifiCheck::Outcome::Mismatch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.auth) + "/" + c.encryption);
        DeviceEntry record = test::kitchenPrinter("192.0.2.20");
        record.setText(DeviceField::AuthMode, c.auth);
        record.setText(DeviceField::EncryType, c.encryption);
        const WifiSurvey survey{true, {}, {{"ShopNet", c.flags, c.wpa, c.rsn}, {"Office", 0, 0, 0}}};
        EXPECT_EQ(checkWifi(record, survey).outcome, c.outcome) << checkWifi(record, survey).text.toStdString();
    }
    DeviceEntry adhoc = test::kitchenPrinter("192.0.2.20");
    adhoc.setText(DeviceField::WifiMode, "Adhoc");
    EXPECT_FALSE(wifiCheckNeeded({{DeviceField::Ssid, "ShopNet"}}, adhoc));
    EXPECT_FALSE(wifiCheckNeeded({{DeviceField::DeviceName, "Bar"}}, test::kitchenPrinter("192.0.2.20")));
}

// A neighbour table as read; nothing is ever changed in it.
class NeighbourRows final : public HostTables {
public:
    explicit NeighbourRows(std::vector<NeighbourRow> rows) : rows_(std::move(rows)) {}
    bool mayChangeTables() override { return false; }
    int addHostRoute(std::uint32_t, std::uint32_t, unsigned, RouteAdd) override { return EPERM; }
    int readRoutes(std::vector<RouteRow>&) override { return 0; }
    int deleteRoute(const RouteRow&) override { return EPERM; }
    int setNeighbour(std::uint32_t, const MacBytes&, unsigned) override { return EPERM; }
    int readNeighbours(std::vector<NeighbourRow>& rows) override
    {
        rows = rows_;
        return 0;
    }
    int restoreNeighbour(const NeighbourRow&) override { return EPERM; }
    int deleteNeighbour(const NeighbourRow&) override { return EPERM; }

private:
    std::vector<NeighbourRow> rows_;
};

NeighbourRow neighbour(const char* address, unsigned interfaceIndex, MacBytes mac, std::uint16_t state = NUD_STALE)
{
    return NeighbourRow{inet_addr(address), interfaceIndex, mac, true, false, state};
}

TEST(SenderCheck, TheCardThatSentTheRecordMustCarryItsMac)
{
    const MacBytes printer{0x00, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    const MacBytes stranger{0x02, 0x51, 0xC0, 0x00, 0x02, 0x42};
    const std::uint32_t at = ntohl(inet_addr("192.0.2.20"));
    // Its own card; the same address on a second network with another host.
    NeighbourRows matching({neighbour("192.0.2.20", 2, stranger), neighbour("192.0.2.20", 3, printer)});
    EXPECT_EQ(senderMismatch(matching, "00:1b:2c:3d:4e:5f", at), std::nullopt);
    // No entry, or one still being resolved: the table cannot tell.
    NeighbourRows unknown({neighbour("192.0.2.21", 2, stranger), neighbour("192.0.2.20", 2, stranger, NUD_INCOMPLETE)});
    EXPECT_EQ(senderMismatch(unknown, kMac, at), std::nullopt);

    NeighbourRows claimed({neighbour("192.0.2.20", 2, stranger)});
    EXPECT_EQ(senderMismatch(claimed, kMac, at),
              QStringLiteral("MAC does not match its sender: 192.0.2.20 answers as MAC 00-1B-2C-3D-4E-5F, its network "
                             "card is 02-51-C0-00-02-42"));
    WriteGuard guard;
    guard.setHostTables(
        std::make_shared<NeighbourRows>(std::vector<NeighbourRow>{neighbour("192.0.2.20", 2, stranger)}));
    WriteRequest request{kMac, QStringLiteral("192.0.2.20"), false, at, {{DeviceField::Ssid, "Shop2"}}};
    request.guard = &guard;
    const WritePlan plan = planWrite(request, bytesOf(printerAsRead()));
    EXPECT_EQ(plan.step, WritePlan::Step::NotItsSender) << plan.refusal.toStdString();
}

}  // namespace
}  // namespace quillmar
