// The record a settings tool saves from its boxes and the texts a read shows.
#include <gtest/gtest.h>

#include "record/ip_dot.h"
#include "tools/tool_record.h"

namespace quillmar {
namespace {

ToolBoxTexts sampleTexts()
{
    ToolBoxTexts texts;
    texts.modelName = "RX7000 WI-FI";
    texts.deviceName = "Front-Desk";
    texts.macAddress = "00-1B-2C-3D-4E-5F";
    texts.addressValue = 0xC0A80164u;  // 192.168.1.100
    texts.tcpPort = "9100";
    texts.udpPort = "5000";
    texts.ipMode = "DHCP";
    texts.wifiMode = "Infra";
    texts.ssid = "ShopNet";
    texts.wepKey = "wep-key";
    texts.authMode = "WPA2PSK";
    texts.encryType = "AES";
    texts.wpaPsk = "wpa-passphrase";
    return texts;
}

TEST(ToolRecordTest, TextsAreCutToTheirFieldsAndOnlyTheKeyThatIsSentMustBeSingleByte)
{
    ToolBoxTexts texts = sampleTexts();
    texts.ssid = QString(40, 's');
    texts.deviceName = QString(20, 'd');
    const DeviceEntry record = buildToolRecord(texts);
    EXPECT_EQ(record.text(DeviceField::Ssid), std::string(34, 's'));
    EXPECT_EQ(record.text(DeviceField::DeviceName), std::string(16, 'd'));
    EXPECT_EQ(record.text(DeviceField::IpAddress), "192.168.1.100");
    EXPECT_EQ(record.text(DeviceField::IpMode), "DHCP");

    struct Case {
        const char* encryption;
        bool euroInWepKey;
        std::optional<QString> message;
    };
    const Case cases[] = {
        {"AES", true, std::nullopt},  // the WEP key is not sent
        {"WEP", true, QStringLiteral("invalid KEY config!")},
        {"WEP", false, std::nullopt},  // the WPA key is not sent
        {"TKIP", false, QStringLiteral("invalid WPAPSK config!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encryption);
        ToolBoxTexts t = sampleTexts();
        t.encryType = c.encryption;
        (c.euroInWepKey ? t.wepKey : t.wpaPsk) += QChar(0x20AC);
        EXPECT_EQ(checkToolTexts(t), c.message);
    }
    texts.ssid = QStringLiteral("Caf\u00e9\u4e2d");
    EXPECT_EQ(checkToolTexts(texts), QStringLiteral("invalid SSID config!"));
}

TEST(ToolRecordTest, AReadShowsTheMacInUpperCaseAndAnUnreadableAddressAsAllOnes)
{
    DeviceEntry record = buildToolRecord(sampleTexts());
    record.setText(DeviceField::MacAddress, "0a-bc-de-f1-23-45");
    record.setText(DeviceField::IpAddress, "10.0.0.300");
    const ToolBoxTexts texts = toolTextsFromRecord(record);
    EXPECT_EQ(texts.macAddress, "0A-BC-DE-F1-23-45");
    EXPECT_EQ(texts.addressText, "10.0.0.300");
    EXPECT_EQ(texts.addressValue, 0xFFFFFFFFu);
    EXPECT_EQ(addressBoxText(texts.addressValue), "255.255.255.255");
    EXPECT_EQ(texts.wpaPsk, "wpa-passphrase");
}

// A save after a read sets only the fields whose boxes changed since: what a
// read shows of the MAC's case, an address with leading zeros or bytes after a
// terminator is no change.
TEST(ToolRecordTest, TheFieldsASaveSetsAreThoseWhoseBoxesChanged)
{
    DeviceEntry read = buildToolRecord(sampleTexts());
    read.setText(DeviceField::MacAddress, "0a-bc-de-f1-23-45");
    read.setText(DeviceField::IpAddress, "192.168.001.100");
    read.setText(DeviceField::Key, "old-wep");
    read.fieldData(DeviceField::Ssid)[20] = 'x';  // after the terminator
    const ToolBoxTexts shown = toolTextsFromRecord(read);

    struct Case {
        const char* name;
        void (*edit)(ToolBoxTexts&);
        std::vector<std::pair<DeviceField, std::string>> written;
    };
    const Case cases[] = {
        {"nothing", [](ToolBoxTexts&) {}, {}},
        {"ssid", [](ToolBoxTexts& t) { t.ssid = "BackOffice"; }, {{DeviceField::Ssid, "BackOffice"}}},
        {"address", [](ToolBoxTexts& t) { t.addressValue = 0xC0000205u; }, {{DeviceField::IpAddress, "192.0.2.5"}}},
        {"to WEP with a key",
         [](ToolBoxTexts& t) {
             t.authMode = "OPEN";
             t.encryType = "WEP";
             t.wepKey = "new-wep";
         },
         {{DeviceField::AuthMode, "OPEN"}, {DeviceField::EncryType, "WEP"}, {DeviceField::Key, "new-wep"}}},
        {"a WEP key beside AES", [](ToolBoxTexts& t) { t.wepKey = "typed"; }, {{DeviceField::Key, ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolBoxTexts now = shown;
        c.edit(now);
        DeviceEntry expected = read;
        std::vector<DeviceField> fields;
        for (const auto& [field, text] : c.written) {
            expected.setText(field, text);
            fields.push_back(field);
        }
        EXPECT_EQ(changedToolFields(shown, now), fields);
    }
}

}  // namespace
}  // namespace quillmar
