#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "record/device_table.h"
#include "record/ipv4_text.h"
#include "record/model_table.h"
#include "record/open_device_list.h"
#include "record/record_check.h"

using namespace quillmar;

namespace {

DeviceEntry device(const std::string& model, const std::string& mac, const std::string& name = "POS")
{
    DeviceEntry entry;
    entry.setText(DeviceField::ModelName, model);
    entry.setText(DeviceField::MacAddress, mac);
    entry.setText(DeviceField::DeviceName, name);
    return entry;
}

}  // namespace

TEST(DeviceEntry, LayoutCoversTheRecordEndToEnd)
{
    std::size_t next = 0;
    for (const FieldLayout& field : deviceFieldLayout()) {
        EXPECT_EQ(field.offset, next);
        next += field.width;
    }
    EXPECT_EQ(next, kDeviceEntrySize);
    EXPECT_EQ(layoutOf(DeviceField::WpaPsk).offset, 184u);
    EXPECT_EQ(layoutOf(DeviceField::Ssid).width, 34u);
}

TEST(DeviceEntry, FullWidthFieldsAreReadWithoutRunningIntoTheNext)
{
    DeviceEntry entry;
    entry.setText(DeviceField::DeviceName, "ABCDEFGHIJKLMNOPQRST");  // 20 into 16
    entry.setText(DeviceField::MacAddress, "00:11:22:33:44:55");
    EXPECT_EQ(entry.text(DeviceField::DeviceName), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(entry.text(DeviceField::MacAddress), "00:11:22:33:44:55");

    // A 72-character key fills the last field and ends the record with no terminator.
    const std::string psk(72, 'k');
    entry.setText(DeviceField::WpaPsk, psk);
    EXPECT_EQ(entry.text(DeviceField::WpaPsk), psk);
    EXPECT_EQ(entry.data()[255], 'k');
}

TEST(DeviceEntry, WriterZeroFillsTheWholeFieldFirst)
{
    DeviceEntry entry;
    entry.setText(DeviceField::Ssid, std::string(34, 'x'));
    entry.setText(DeviceField::Ssid, "home");
    const char* field = entry.fieldData(DeviceField::Ssid);
    for (std::size_t i = 4; i < 34; ++i)
        EXPECT_EQ(field[i], '\0') << "byte " << i;
}

TEST(DeviceEntry, ShortSourceReadsAsZeroBeyondItsEnd)
{
    std::string bytes(75, 'A');
    const DeviceEntry entry = DeviceEntry::fromBytes(bytes.data(), bytes.size());
    EXPECT_EQ(entry.data()[74], 'A');
    for (std::size_t i = 75; i < kDeviceEntrySize; ++i)
        ASSERT_EQ(entry.data()[i], '\0');
}

TEST(DeviceEntry, NormalizedDropsBytesAfterEachTerminator)
{
    DeviceEntry entry;
    std::memcpy(entry.fieldData(DeviceField::Ssid), "ab\0cd", 5);
    const DeviceEntry copy = entry.normalized();
    EXPECT_EQ(copy.text(DeviceField::Ssid), "ab");
    EXPECT_EQ(copy.fieldData(DeviceField::Ssid)[3], '\0');
}

TEST(MacText, ComparesSeventeenCharactersCaseSensitively)
{
    EXPECT_TRUE(macTextsEqual("00:11:22:33:44:55", "00:11:22:33:44:55XYZ"));
    EXPECT_FALSE(macTextsEqual("00:11:22:33:44:AA", "00:11:22:33:44:aa"));
}

TEST(ModelTable, AcceptsWholeNamesOfTheFamilyOnly)
{
    EXPECT_TRUE(isManagedModel(1, "RX4100 WI-FI"));
    EXPECT_FALSE(isManagedModel(1, "RX7000 WI-FI"));
    EXPECT_TRUE(isManagedModel(2, "RX7000 WI-FI"));
    EXPECT_TRUE(isManagedModel(2, "RX_WIFI_IFBOARD"));
    EXPECT_FALSE(isManagedModel(1, "RX_WIFI_IFBOARD"));
    EXPECT_FALSE(isManagedModel(2, "RX4100 WI-FI"));
    EXPECT_FALSE(isManagedModel(2, "RX7000 WI-FI2"));
    EXPECT_FALSE(isManagedModel(2, "rx7000 wi-fi"));
    EXPECT_FALSE(isManagedModel(0, "RX7000 WI-FI"));
    EXPECT_FALSE(isManagedModel(3, "RX7000 WI-FI"));
}

TEST(DeviceTable, SecondReplyOfTheSameMacFromTheSameAddressIsDroppedButAnotherAddressIsListed)
{
    DeviceTable table;
    EXPECT_EQ(table.admit(device("RX7000 WI-FI", "00:11:22:33:44:55", "first"), 2), 0);
    EXPECT_EQ(table.admit(device("RX_WIFI_IFBOARD", "00:11:22:33:44:55", "second"), 2), -1);
    ASSERT_EQ(table.count(), 1u);
    EXPECT_EQ(table.at(0).text(DeviceField::DeviceName), "first");
    EXPECT_EQ(table.admit(device("RX7000 WI-FI", "00:11:22:33:44:56"), 2), 1);
    // The same MAC from another host: listed, and both rows know of the other.
    DeviceEntry stranger = device("RX7000 WI-FI", "00:11:22:33:44:55", "stranger");
    stranger.setText(DeviceField::IpAddress, "192.0.2.66");
    EXPECT_EQ(table.admit(stranger, 2), 2);
    EXPECT_EQ(table.otherAddressesOf(0), std::vector<std::string>{"192.0.2.66"});
    EXPECT_EQ(table.otherAddressesOf(2), std::vector<std::string>{""});
    EXPECT_TRUE(table.otherAddressesOf(1).empty());
}

TEST(DeviceTable, FamilyFilterAndExactModelMatch)
{
    DeviceTable family1;
    EXPECT_EQ(family1.admit(device("RX7000 WI-FI", "00:00:00:00:00:01"), 1), -1);
    EXPECT_EQ(family1.admit(device("RX4100 WI-FI", "00:00:00:00:00:02"), 1), 0);

    DeviceTable family2;
    EXPECT_EQ(family2.admit(device("RX4100 WI-FI", "00:00:00:00:00:03"), 2), -1);
    EXPECT_EQ(family2.admit(device("RX7000 WI-FI ", "00:00:00:00:00:04"), 2), -1);
    EXPECT_EQ(family2.count(), 0u);
}

TEST(DeviceTable, RowsAfterAClearAreRefilledFromZeroedSlots)
{
    DeviceTable table;
    DeviceEntry full = device("RX7000 WI-FI", "00:00:00:00:00:01");
    full.setText(DeviceField::WpaPsk, std::string(72, 'p'));
    table.admit(full, 2);
    table.clear();
    EXPECT_EQ(table.count(), 0u);
    table.admit(device("RX7000 WI-FI", "00:00:00:00:00:01"), 2);
    EXPECT_EQ(table.at(0).text(DeviceField::WpaPsk), "");
}

TEST(DeviceTable, NeverHoldsMoreThanAHundredDevices)
{
    DeviceTable table;
    char mac[18];
    for (int i = 0; i < 101; ++i) {
        std::snprintf(mac, sizeof mac, "00:00:00:00:%02X:%02X", i / 256, i % 256);
        const int row = table.admit(device("RX7000 WI-FI", mac), 2);
        EXPECT_EQ(row, i < 100 ? i : -1);
    }
    EXPECT_EQ(table.count(), kDeviceTableSlots);
}

TEST(OpenDeviceList, AddTwiceRefusedRemoveFreesTheSlot)
{
    OpenDeviceList open;
    EXPECT_FALSE(open.contains("00:11:22:33:44:55"));
    EXPECT_TRUE(open.add("00:11:22:33:44:55"));
    EXPECT_FALSE(open.add("00:11:22:33:44:55"));
    EXPECT_TRUE(open.contains("00:11:22:33:44:55"));
    open.remove("00:11:22:33:44:55");
    EXPECT_FALSE(open.contains("00:11:22:33:44:55"));
    EXPECT_TRUE(open.add("00:11:22:33:44:55"));
}

TEST(OpenDeviceList, FullListStoresNothingMoreButDoesNotFail)
{
    OpenDeviceList open;
    char mac[18];
    for (int i = 0; i < 100; ++i) {
        std::snprintf(mac, sizeof mac, "AA:00:00:00:00:%02X", i);
        ASSERT_TRUE(open.add(mac));
    }
    EXPECT_TRUE(open.add("BB:00:00:00:00:00"));
    EXPECT_FALSE(open.contains("BB:00:00:00:00:00"));
    open.remove("AA:00:00:00:00:05");
    EXPECT_TRUE(open.add("BB:00:00:00:00:00"));
    EXPECT_TRUE(open.contains("BB:00:00:00:00:00"));
}

TEST(Ipv4Text, FormatsFirstNumberFromTheTopByteAndParsesStrictly)
{
    EXPECT_EQ(formatIpv4(0xC0000201u), "192.0.2.1");
    EXPECT_EQ(parseIpv4("198.51.100.7"), 0xC6336407u);
    EXPECT_FALSE(parseIpv4("256.1.1.1"));
    EXPECT_FALSE(parseIpv4("1.2.3"));
    EXPECT_FALSE(parseIpv4("1.2.3.4.5"));
    EXPECT_FALSE(parseIpv4("1.2.3.x"));
    EXPECT_FALSE(parseIpv4(""));
}

TEST(RecordCheck, ARecordParsesOnlyWhenItsMacAddressAndCodedFieldsReadAsTheToolsShowThem)
{
    struct Case {
        DeviceField field;
        std::string text;
        std::optional<std::string> problem;
    };
    const Case cases[] = {
        {DeviceField::ModelName, "", std::nullopt},  // not checked
        {DeviceField::MacAddress, "0a:1B:2c:3D:4e:5F", std::nullopt},
        {DeviceField::IpMode, "dhcp", std::nullopt},  // the tools select items in any case
        {DeviceField::MacAddress, "0a-1b-2c-3d-4e-5g", "macAddress \"0a-1b-2c-3d-4e-5g\" is not six hexadecimal pairs"},
        {DeviceField::MacAddress, "P0a-1b-2c-3d-4e-5", "macAddress \"P0a-1b-2c-3d-4e-5\" is not six hexadecimal pairs"},
        {DeviceField::IpAddress, "192.0.2.300", "ipAddress \"192.0.2.300\" is not a dotted IPv4 address"},
        {DeviceField::IpMode, "", "ipMode \"\" is not STATIC or DHCP"},
        {DeviceField::WifiMode, "Infra\x1b", "wifiMode \"Infra\\x1B\" is not Infra or Adhoc"},
        {DeviceField::AuthMode, "WPA3", "authMode \"WPA3\" is not OPEN, SHARED, WEPAUTO, WPAPSK, WPA2PSK or WPANONE"},
        {DeviceField::EncryType, "R\\C4", "encryType \"R\\\\C4\" is not NONE, WEP, TKIP or AES"},
    };
    DeviceEntry good = device("RX7000 WI-FI", "00-1B-2C-3D-4E-5F");
    good.setText(DeviceField::IpAddress, "192.0.2.10");
    for (const auto& [field, text] : {std::pair{DeviceField::IpMode, "STATIC"},
                                      {DeviceField::WifiMode, "Infra"},
                                      {DeviceField::AuthMode, "WPA2PSK"},
                                      {DeviceField::EncryType, "AES"}})
        good.setText(field, text);
    EXPECT_EQ(recordParseProblem(good), std::nullopt);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        DeviceEntry record = good;
        record.setText(c.field, c.text);
        EXPECT_EQ(recordParseProblem(record), c.problem);
    }
    EXPECT_FALSE(isBlankRecord(good));
    EXPECT_TRUE(isBlankRecord(DeviceEntry()));
}
