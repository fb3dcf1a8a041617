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

}  // namespace
}  // namespace quillmar
