#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "record/coded_fields.h"
#include "record/config_block.h"
#include "record/ip_dot.h"
#include "record/number_text.h"
#include "record/upper_case.h"

using namespace quillmar;

TEST(ConfigBlock, ExtendedFieldsSitAtTheirOffsets)
{
    EXPECT_EQ(sizeof(ConfigBlock), 536u);
    const struct {
        ConfigField field;
        std::size_t offset, width;
    } expected[] = {
        {ConfigField::OpModeCode, 266, 10},     {ConfigField::HasTcpWindow, 296, 1},
        {ConfigField::TcpWindowIndex, 297, 10}, {ConfigField::AltModelName, 307, 24},
        {ConfigField::SerialBaud, 331, 14},     {ConfigField::SerialFormat, 345, 10},
        {ConfigField::SerialFlow, 355, 10},     {ConfigField::SerialIf, 365, 11},
        {ConfigField::HasRs485, 376, 1},        {ConfigField::HasRs422, 377, 1},
        {ConfigField::DpDelimOn, 385, 1},       {ConfigField::DpTimeoutOn, 386, 1},
        {ConfigField::DpLengthOn, 387, 1},      {ConfigField::DpLength, 395, 10},
        {ConfigField::DpTimeout, 405, 10},      {ConfigField::DpDelim, 415, 10},
        {ConfigField::TcpTimeoutMode, 425, 10}, {ConfigField::TcpTimeout, 435, 10},
        {ConfigField::IpFilterOn, 445, 1},      {ConfigField::IpFilterRange, 455, 40},
        {ConfigField::HasWebPage, 495, 1},
    };
    ConfigBlock block;
    for (const auto& e : expected) {
        EXPECT_EQ(layoutOf(e.field).offset, e.offset);
        EXPECT_EQ(layoutOf(e.field).width, e.width);
        // Writing a field touches its bytes only.
        block = ConfigBlock();
        block.setText(e.field, std::string(64, 'x'));
        for (std::size_t i = 0; i < block.size(); ++i) {
            const bool inside = i >= e.offset && i < e.offset + e.width;
            ASSERT_EQ(block.byteAt(i), inside ? 'x' : '\0') << "byte " << i;
        }
    }
}

TEST(ConfigBlock, HoldsTheDeviceEntryAtItsStartOverAZeroedExtendedArea)
{
    DeviceEntry entry;
    entry.setText(DeviceField::ModelName, "RX7000 WI-FI");
    entry.setText(DeviceField::WpaPsk, std::string(72, 'k'));
    const ConfigBlock block(entry);
    EXPECT_EQ(std::memcmp(block.data(), entry.data(), 256), 0);
    for (std::size_t i = 256; i < block.size(); ++i)
        ASSERT_EQ(block.byteAt(i), '\0');
    EXPECT_EQ(block.entry(), entry);
    EXPECT_EQ(block.text(DeviceField::WpaPsk), std::string(72, 'k'));
}

TEST(ConfigBlock, TextReadersStopAtTheFieldEndWhateverTheDeviceSent)
{
    ConfigBlock block;
    // A device name of 16 characters runs straight into the MAC text.
    std::memcpy(block.fieldData(DeviceField::DeviceName), "ABCDEFGHIJKLMNOP", 16);
    std::memcpy(block.fieldData(DeviceField::MacAddress), "00:11:22:33:44:55", 17);
    EXPECT_EQ(block.text(DeviceField::DeviceName), "ABCDEFGHIJKLMNOP");
    // An extended text without terminator stops at its own field.
    std::memset(block.fieldData(ConfigField::IpFilterRange), '9', 41);  // runs into hasWebPage
    EXPECT_EQ(block.text(ConfigField::IpFilterRange), std::string(40, '9'));
    std::memset(block.fieldData(ConfigField::AltModelName), 'M', 24 + 14);
    EXPECT_EQ(block.text(ConfigField::AltModelName), std::string(24, 'M'));
}

TEST(CodedFields, IpModeAndWifiModeDecideByTheFirstCharacter)
{
    EXPECT_EQ(readIpMode("DHCP"), kIpModeDhcp);
    EXPECT_EQ(readIpMode("Dynamic"), kIpModeDhcp);
    EXPECT_EQ(readIpMode("STATIC"), kIpModeStatic);
    EXPECT_EQ(readIpMode(""), kIpModeStatic);
    EXPECT_EQ(readIpMode("dhcp"), kIpModeStatic);

    EXPECT_EQ(readWifiMode("Adhoc"), kWifiAdhoc);
    EXPECT_EQ(readWifiMode("Infra"), kWifiInfra);
    EXPECT_EQ(readWifiMode("Ix"), kWifiInfra);
    EXPECT_FALSE(readWifiMode("adhoc"));
    EXPECT_FALSE(readWifiMode(""));
}

TEST(CodedFields, AuthModeDecidesByTheThirdAndFourthCharacters)
{
    EXPECT_EQ(readAuthMode("OPEN"), kAuthOpen);
    EXPECT_EQ(readAuthMode("WPANONE"), kAuthWpaNone);
    EXPECT_EQ(readAuthMode("SHARED"), kAuthShared);
    EXPECT_EQ(readAuthMode("WEPAUTO"), kAuthWepAuto);
    EXPECT_EQ(readAuthMode("WPAPSK"), kAuthWpaPsk);
    EXPECT_EQ(readAuthMode("WPA2PSK"), kAuthWpa2Psk);
    EXPECT_EQ(readAuthMode("xxEN"), kAuthOpen);  // any text with the same deciders
    EXPECT_EQ(readAuthMode("..A2"), kAuthWpa2Psk);
    EXPECT_FALSE(readAuthMode("xxxN"));  // 'N' with neither 'E' nor 'A'
    EXPECT_FALSE(readAuthMode("WEP"));   // no fourth character
    EXPECT_FALSE(readAuthMode(""));
}

TEST(CodedFields, EncryTypeDecidesByTheFirstCharacter)
{
    EXPECT_EQ(readEncryType("NONE"), kEncryNone);
    EXPECT_EQ(readEncryType("WEP"), kEncryWep);
    EXPECT_EQ(readEncryType("TKIP"), kEncryTkip);
    EXPECT_EQ(readEncryType("AES"), kEncryAes);
    EXPECT_EQ(readEncryType("Angle"), kEncryAes);
    EXPECT_FALSE(readEncryType("aes"));
    EXPECT_FALSE(readEncryType(""));
}

TEST(Dot2ip, HoldsTheNumbersInTextOrderInMemory)
{
    const std::uint32_t value = dot2ip("192.168.1.20");
    unsigned char bytes[4];
    std::memcpy(bytes, &value, 4);
    EXPECT_EQ(bytes[0], 0xC0);
    EXPECT_EQ(bytes[1], 0xA8);
    EXPECT_EQ(bytes[2], 0x01);
    EXPECT_EQ(bytes[3], 0x14);
    EXPECT_EQ(controlValueOf(value), 0xC0A80114u);
    EXPECT_EQ(networkOrderOf(0xC0A80114u), value);
    EXPECT_EQ(dot2ip("0.0.0.0"), 0u);
    EXPECT_EQ(controlValueOf(dot2ip("010.001.0.7")), 0x0A010007u);  // leading zeros
    EXPECT_EQ(controlValueOf(dot2ip(std::string_view("1.2.3.4\0junk", 12))), 0x01020304u);
}

TEST(Dot2ip, FailsOnEveryMalformedText)
{
    for (const char* text :
         {"", "1.2.3", "1.2.3.", "1.2.3.4.", "1.2.3.4.5", "1.2.3.256", "256.1.1.1", " 1.2.3.4", "1.2.3.4 ", "+1.2.3.4",
          "1.-2.3.4", "1..2.3", "a.b.c.d", "1.2.3.4x", ".1.2.3", "00000000300.1.1.1"})
        EXPECT_EQ(dot2ip(text), kDot2ipFailure) << '"' << text << '"';
    EXPECT_EQ(dot2ip("255.255.255.255"), kDot2ipFailure);
    EXPECT_EQ(dot2ip("0000000025.1.1.1"), dot2ip("25.1.1.1"));
}

TEST(Ip2dot, PrintsTopByteFirstAndFlagsA255)
{
    std::string text;
    EXPECT_EQ(ip2dot(0xC0A80114u, text), 0);
    EXPECT_EQ(text, "192.168.1.20");
    EXPECT_EQ(ip2dot(0xC0A801FFu, text), 1);
    EXPECT_EQ(text, "192.168.1.255");
    EXPECT_EQ(ip2dot(0xFF000000u, text), 1);
    EXPECT_EQ(ip2dot(0u, text), 0);
    EXPECT_EQ(text, "0.0.0.0");
    char out[16];
    EXPECT_EQ(ip2dot(0xFFFFFFFFu, out), 1);
    EXPECT_STREQ(out, "255.255.255.255");
}

TEST(UpperCase, ChangesOnlyLowerCaseLettersAndStopsAtTheTerminatorOrLimit)
{
    std::string text = "ab:cd-ef.0z{`~";
    upperCaseText(text);
    EXPECT_EQ(text, "AB:CD-EF.0Z{`~");

    char field[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    upperCaseText(field, 5);
    EXPECT_EQ(std::string(field, 8), "ABCDEfgh");
    char terminated[6] = {'x', 'y', '\0', 'z', 'w', '\0'};
    upperCaseText(terminated, 6);
    EXPECT_EQ(std::string(terminated, 6), std::string("XY\0zw\0", 6));
}

TEST(NumberText, ConvertsDecimalAndRaisesWithTheMessageShown)
{
    EXPECT_EQ(toInteger("3"), 3);
    EXPECT_EQ(toInteger("-1"), -1);
    EXPECT_EQ(toInteger("+12"), 12);
    EXPECT_EQ(hexToInteger("0a"), 10);
    EXPECT_EQ(hexToInteger("FF"), 255);
    for (const char* bad : {"", "x", "1x", " 1", "+-1", "99999999999"})
        EXPECT_THROW(toInteger(bad), ConversionError) << bad;
    EXPECT_THROW(hexToInteger("g"), ConversionError);
    EXPECT_THROW(hexToInteger("-a"), ConversionError);
    try {
        toInteger("abc");
        FAIL();
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
    }
}
