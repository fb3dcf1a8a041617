#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "config/save_checks.h"
#include "config/validation_rules.h"
#include "record/config_block.h"

using namespace quillmar;

namespace {

std::string conversionMessage(const std::function<void()>& call)
{
    try {
        call();
    } catch (const ConversionError& error) {
        return error.what();
    }
    return "no conversion error";
}

// A form that passes every rule, with the delimiter and packing switches on.
ConfigFormValues passingForm()
{
    ConfigFormValues v;
    v.modelName = "RX7000 WI-FI";
    v.serialBaud = "9600";
    v.serialFormat = "N81";
    v.serialFlow = "NONE";
    v.serialInterface = "RS-232";
    v.packingLengthOn = true;
    v.packingLength = "512";
    v.packingTimeoutOn = true;
    v.packingTimeout = "100";
    v.delimiterOn = true;
    v.delimiterFirst = "d";
    v.delimiterSecond = "a";
    v.ipModeIndex = 0;
    v.ipMode = "STATIC";
    v.octets = {"192", "0", "2", "020"};
    v.tcpWindowIndex = 2;
    v.udpPort = "5000";
    v.tcpPort = "9100";
    v.deviceName = "Printer-1";
    v.macAddress = "00-11-22-aa-bb-cc";
    v.ssid = "Shop42";
    v.key = "12345";
    v.wpaPsk = "secretpass";
    v.wifiMode = "Infra";
    v.authMode = "WPA2PSK";
    v.encryType = "AES";
    return v;
}

}  // namespace

TEST(ValidationRules, PackingLengthTakesOneTo1024AndReadsNegativeAsTooLarge)
{
    EXPECT_EQ(checkPackingLength(""), "data packing length can't be blank");
    EXPECT_EQ(checkPackingLength("0"), "invalid data packing length");
    EXPECT_EQ(checkPackingLength("1"), std::nullopt);
    EXPECT_EQ(checkPackingLength("1024"), std::nullopt);
    EXPECT_EQ(checkPackingLength("1025"), "invalid data packing length");
    EXPECT_EQ(checkPackingLength("-1"), "invalid data packing length");
    EXPECT_EQ(conversionMessage([] { checkPackingLength("abc"); }), "'abc' is not a valid integer value");

    EXPECT_EQ(checkPackingTimeout(""), "data packing timeout can't be blank");
    EXPECT_EQ(checkPackingTimeout("0"), "invalid data packing timeout");
    EXPECT_EQ(checkPackingTimeout("65535"), std::nullopt);
    EXPECT_EQ(checkPackingTimeout("65536"), "invalid data packing timeout");
    EXPECT_EQ(checkPackingTimeout("-5"), "invalid data packing timeout");
    EXPECT_EQ(conversionMessage([] { checkPackingTimeout("1s"); }), "'1s' is not a valid integer value");
}

TEST(ValidationRules, PortsTakeOneTo65535)
{
    for (const auto& [check, message] :
         {std::pair{&checkUdpPort, "invalid UDP Port"}, std::pair{&checkTcpPort, "invalid TCP Port"}}) {
        EXPECT_EQ(check("0"), message);
        EXPECT_EQ(check("1"), std::nullopt);
        EXPECT_EQ(check("65535"), std::nullopt);
        EXPECT_EQ(check("65536"), message);
        EXPECT_EQ(check("-1"), message);
        // An empty port box is not a number either.
        EXPECT_EQ(conversionMessage([check = check] { check(""); }), "'' is not a valid integer value");
        EXPECT_EQ(conversionMessage([check = check] { check("port"); }), "'port' is not a valid integer value");
    }
}

TEST(ValidationRules, DelimiterIsStoredAsUpperCaseHexPairs)
{
    EXPECT_EQ(checkDelimiter(""), "delimiter can't be blank");
    EXPECT_EQ(checkDelimiter("a"), std::nullopt);
    EXPECT_EQ(delimiterCode("a", ""), "0A");
    EXPECT_EQ(delimiterCode("d", "a"), "0D0A");
    EXPECT_EQ(delimiterCode("1b", "FF"), "1BFF");
    EXPECT_EQ(conversionMessage([] { delimiterCode("g", ""); }), "'0xg' is not a valid integer value");
    EXPECT_EQ(conversionMessage([] { delimiterCode("0d", "-1"); }), "'0x-1' is not a valid integer value");
}

TEST(ValidationRules, MacCharactersAreCheckedInPositionOrder)
{
    EXPECT_EQ(checkMacAddress("00-11-22-AA-BB-CC"), std::nullopt);
    EXPECT_EQ(checkMacAddress("00:11:22:AA:BB:CC"), "invalid MAC Address format!  about number.");
    EXPECT_EQ(checkMacAddress("001.1-22-AA-BB-CC"), "invalid MAC Address format! about point position.");
    EXPECT_EQ(checkMacAddress("0123456789ABCDEF0"), std::nullopt);
    EXPECT_EQ(checkMacAddress("00.11.22.aa.bb.cc"), std::nullopt);
    EXPECT_EQ(checkMacAddress("00-11-22-AG-BB-CC"), "invalid MAC Address format!  about number");
    EXPECT_EQ(checkMacAddress("00-11-22-AA-BB-Cg"), "invalid MAC Address format!  about number");
    EXPECT_EQ(checkMacAddress("00 11/22-AA-BB-CC"), std::nullopt);
    // The first offending character decides, whatever comes after it.
    EXPECT_EQ(checkMacAddress("00:11.22-AA-BB-Cg"), "invalid MAC Address format!  about number.");
    // Letters beyond Latin-1 are above 'f', not below '0'.
    EXPECT_EQ(checkMacAddress(QString::fromUtf8("00-11-22-AA-BB-C\xC3\xA9")),
              "invalid MAC Address format!  about number");
    EXPECT_EQ(checkMacAddress("00-11-22-AA-BB-C"), "invalid MAC Address format!can't over 17 bytes");
    EXPECT_EQ(checkMacAddress("00-11-22-AA-BB-CCD"), "invalid MAC Address format!can't over 17 bytes");
    EXPECT_EQ(checkMacAddress(""), "invalid MAC Address format!can't over 17 bytes");
}

TEST(ValidationRules, SsidIsOneTo34LettersOrDigits)
{
    EXPECT_EQ(checkSsid(""), "invalid SSID config! can't be blank.");
    EXPECT_EQ(checkSsid("my shop"), "invalid SSID config!");
    EXPECT_EQ(checkSsid("my-shop"), "invalid SSID config!");
    EXPECT_EQ(checkSsid("my_shop"), "invalid SSID config!");
    EXPECT_EQ(checkSsid(QString(34, 'a')), std::nullopt);
    EXPECT_EQ(checkSsid(QString(35, 'a')), "invalid SSID config! can't over 34 words.");
    // Length is checked before the characters.
    EXPECT_EQ(checkSsid(QString(35, ' ')), "invalid SSID config! can't over 34 words.");
    EXPECT_EQ(checkSsid("Shop42"), std::nullopt);
}

TEST(ValidationRules, NamesAndKeysKeepToTheirFieldWidths)
{
    EXPECT_EQ(checkModelName(""), "device name can't be blank");
    EXPECT_EQ(checkModelName("X"), std::nullopt);
    EXPECT_EQ(checkSerialNumber(""), "invalid Serial Number!");
    EXPECT_EQ(checkSerialNumber(QString(16, 'n')), std::nullopt);
    EXPECT_EQ(checkSerialNumber(QString(17, 'n')), "invalid Serial Number!");
    EXPECT_EQ(checkKey(""), std::nullopt);
    EXPECT_EQ(checkKey(QString(28, 'k')), std::nullopt);
    EXPECT_EQ(checkKey(QString(29, 'k')), "invalid KEY config! can't over 28 words.");
    EXPECT_EQ(checkWpaPsk(""), std::nullopt);
    EXPECT_EQ(checkWpaPsk(QString(72, 'w')), std::nullopt);
    EXPECT_EQ(checkWpaPsk(QString(73, 'w')), "invalid WPAPSK config! can't over 72 words.");
}

TEST(ValidationRules, AddressOfTheOctetFieldsRefusesZeroAndAny255)
{
    const AddressCheck good = checkOctetAddress({"192", "0", "2", "020"});
    EXPECT_EQ(good.message, std::nullopt);
    EXPECT_EQ(good.ipAddress, "192.0.2.20");
    EXPECT_EQ(good.controlValue, 0xC0000214u);

    const AddressCheck zero = checkOctetAddress({"0", "0", "0", "0"});
    EXPECT_EQ(zero.message, "invalid IP address");
    EXPECT_EQ(checkOctetAddress({"00", "0", "0", "000"}).message, "invalid IP address");
    for (int i = 0; i < 4; ++i) {
        std::array<QString, 4> octets{"10", "1", "2", "3"};
        octets[i] = "255";
        EXPECT_EQ(checkOctetAddress(octets).message, "invalid IP address") << "octet " << i;
    }
    // An octet that is not a number makes the address unparsable: all 255.
    const AddressCheck bad = checkOctetAddress({"10", "", "2", "3"});
    EXPECT_EQ(bad.message, "invalid IP address");
    EXPECT_EQ(bad.controlValue, 0xFFFFFFFFu);
}

TEST(SaveChecks, PassingFormFillsTheBlock)
{
    ConfigBlock block;
    block.setFlag(ConfigField::HasTcpWindow, 1);
    block.setByteAt(kPackingReservedOffset, 'x');
    block.setByteAt(kValidationClearedOffset, 'x');
    const SaveCheckOutcome outcome = runSaveChecks(passingForm(), block);
    ASSERT_TRUE(outcome.passed()) << outcome.message.toStdString();
    EXPECT_EQ(outcome.result(), 0);
    EXPECT_EQ(outcome.addressControlValue, 0xC0000214u);

    EXPECT_EQ(block.text(DeviceField::ModelName), "RX7000 WI-FI");
    EXPECT_EQ(block.text(ConfigField::SerialBaud), "9600");
    EXPECT_EQ(block.text(ConfigField::SerialFormat), "N81");
    EXPECT_EQ(block.text(ConfigField::SerialFlow), "NONE");
    EXPECT_EQ(block.text(ConfigField::SerialIf), "RS-232");
    EXPECT_EQ(block.text(ConfigField::DpLength), "512");
    EXPECT_EQ(block.flag(ConfigField::DpLengthOn), '1');
    EXPECT_EQ(block.text(ConfigField::DpTimeout), "100");
    EXPECT_EQ(block.flag(ConfigField::DpTimeoutOn), '1');
    EXPECT_EQ(block.text(ConfigField::DpDelim), "0D0A");
    EXPECT_EQ(block.flag(ConfigField::DpDelimOn), '1');
    EXPECT_EQ(block.byteAt(kPackingReservedOffset), 0);
    EXPECT_EQ(block.byteAt(kValidationClearedOffset), 0);
    EXPECT_EQ(block.text(DeviceField::IpAddress), "192.0.2.20");
    EXPECT_EQ(block.text(ConfigField::TcpWindowIndex), "2");
    EXPECT_EQ(block.text(ConfigField::OpModeCode), "UD");
    EXPECT_EQ(block.text(DeviceField::UdpPort), "5000");
    EXPECT_EQ(block.text(DeviceField::TcpPort), "9100");
    EXPECT_EQ(block.text(DeviceField::DeviceName), "Printer-1");
    EXPECT_EQ(block.text(DeviceField::MacAddress), "00-11-22-aa-bb-cc");
    EXPECT_EQ(block.text(DeviceField::Ssid), "Shop42");
    EXPECT_EQ(block.text(DeviceField::Key), "12345");
    EXPECT_EQ(block.text(DeviceField::WpaPsk), "secretpass");
    EXPECT_EQ(block.text(DeviceField::WifiMode), "Infra");
    EXPECT_EQ(block.text(DeviceField::IpMode), "STATIC");
    EXPECT_EQ(block.text(DeviceField::AuthMode), "WPA2PSK");
    EXPECT_EQ(block.text(DeviceField::EncryType), "AES");
}

TEST(SaveChecks, SwitchesOffAndDhcpClearTheirBytesWithoutCheckingTheirBoxes)
{
    ConfigFormValues v = passingForm();
    v.packingLengthOn = v.packingTimeoutOn = v.delimiterOn = false;
    v.packingLength = "abc";  // not looked at while its box is unchecked
    v.delimiterFirst = "";
    v.ipModeIndex = 1;
    v.ipMode = "DHCP";
    ConfigBlock block;
    block.setByteAt(kDhcpClearedOffset, 'x');
    block.setText(ConfigField::TcpWindowIndex, "3");  // no TCP window setting: left alone
    ASSERT_TRUE(runSaveChecks(v, block).passed());
    EXPECT_EQ(block.flag(ConfigField::DpLengthOn), '0');
    EXPECT_EQ(block.flag(ConfigField::DpTimeoutOn), '0');
    EXPECT_EQ(block.flag(ConfigField::DpDelimOn), '0');
    EXPECT_EQ(block.text(ConfigField::DpLength), "");
    EXPECT_EQ(block.byteAt(kDhcpClearedOffset), 0);
    EXPECT_EQ(block.text(DeviceField::IpMode), "DHCP");
    EXPECT_EQ(block.text(ConfigField::TcpWindowIndex), "3");
}

TEST(SaveChecks, FailureKeepsEarlierCopiesAndLeavesLaterFieldsAlone)
{
    ConfigBlock block;
    for (DeviceField f : {DeviceField::DeviceName, DeviceField::MacAddress, DeviceField::Ssid, DeviceField::Key,
                          DeviceField::WpaPsk, DeviceField::WifiMode, DeviceField::AuthMode, DeviceField::EncryType,
                          DeviceField::IpAddress, DeviceField::UdpPort, DeviceField::TcpPort})
        block.setText(f, "old");
    ConfigFormValues v = passingForm();
    v.deviceName = "";
    v.octets = {"198", "51", "100", "7"};
    v.udpPort = "6001";
    v.tcpPort = "9101";

    const SaveCheckOutcome outcome = runSaveChecks(v, block);
    EXPECT_EQ(outcome.status, SaveCheckStatus::RuleFailed);
    EXPECT_EQ(outcome.message, "invalid Serial Number!");
    EXPECT_EQ(outcome.result(), -1);
    // The address and both ports had passed and were copied.
    EXPECT_EQ(block.text(DeviceField::IpAddress), "198.51.100.7");
    EXPECT_EQ(outcome.addressControlValue, 0xC6336407u);
    EXPECT_EQ(block.text(DeviceField::UdpPort), "6001");
    EXPECT_EQ(block.text(DeviceField::TcpPort), "9101");
    EXPECT_EQ(block.text(ConfigField::OpModeCode), "UD");
    for (DeviceField f : {DeviceField::DeviceName, DeviceField::MacAddress, DeviceField::Ssid, DeviceField::Key,
                          DeviceField::WpaPsk, DeviceField::WifiMode, DeviceField::AuthMode, DeviceField::EncryType})
        EXPECT_EQ(block.text(f), "old") << "field " << static_cast<int>(f);
}

TEST(SaveChecks, FirstFailingRuleWinsAndAddressIsCopiedBeforeItIsRefused)
{
    ConfigFormValues v = passingForm();
    v.modelName = "";
    v.ssid = "has space";
    ConfigBlock block;
    SaveCheckOutcome outcome = runSaveChecks(v, block);
    EXPECT_EQ(outcome.message, "device name can't be blank");
    EXPECT_FALSE(outcome.addressControlValue.has_value());
    EXPECT_EQ(block, ConfigBlock());

    v = passingForm();
    v.octets = {"10", "0", "0", "255"};
    block = ConfigBlock();
    block.setText(DeviceField::UdpPort, "old");
    outcome = runSaveChecks(v, block);
    EXPECT_EQ(outcome.message, "invalid IP address");
    EXPECT_EQ(block.text(DeviceField::IpAddress), "10.0.0.255");
    EXPECT_EQ(outcome.addressControlValue, 0x0A0000FFu);
    EXPECT_EQ(block.text(DeviceField::UdpPort), "old");

    v = passingForm();
    v.ssid = "my shop";
    outcome = runSaveChecks(v, block);
    EXPECT_EQ(outcome.message, "invalid SSID config!");
    EXPECT_EQ(block.text(DeviceField::MacAddress), "00-11-22-aa-bb-cc");
    EXPECT_EQ(block.text(DeviceField::Ssid), "");
}

TEST(SaveChecks, ConversionErrorIsItsOwnOutcome)
{
    ConfigFormValues v = passingForm();
    v.packingLength = "abc";
    ConfigBlock block;
    SaveCheckOutcome outcome = runSaveChecks(v, block);
    EXPECT_EQ(outcome.status, SaveCheckStatus::ConversionFailed);
    EXPECT_EQ(outcome.message, "'abc' is not a valid integer value");
    EXPECT_EQ(outcome.result(), -1);
    EXPECT_EQ(block.text(DeviceField::ModelName), "RX7000 WI-FI");
    EXPECT_EQ(block.text(ConfigField::SerialBaud), "9600");
    EXPECT_EQ(block.flag(ConfigField::DpLengthOn), 0);

    v = passingForm();
    v.delimiterFirst = "g";
    outcome = runSaveChecks(v, block);
    EXPECT_EQ(outcome.status, SaveCheckStatus::ConversionFailed);
    EXPECT_EQ(outcome.message, "'0xg' is not a valid integer value");

    v = passingForm();
    v.tcpPort = "";
    outcome = runSaveChecks(v, block);
    EXPECT_EQ(outcome.status, SaveCheckStatus::ConversionFailed);
    EXPECT_EQ(block.text(DeviceField::UdpPort), "5000");
}

TEST(SaveChecks, ATextARecordCannotCarryIsRefusedWithItsFieldsMessageBeforeAnyCopy)
{
    const QString euro = QString::fromUtf8("k\u20ACy");
    const std::pair<QString ConfigFormValues::*, const char*> cases[] = {
        {&ConfigFormValues::deviceName, "invalid Serial Number!"},
        {&ConfigFormValues::ssid, "invalid SSID config!"},
        {&ConfigFormValues::key, "invalid KEY config!"},
        {&ConfigFormValues::wpaPsk, "invalid WPAPSK config!"},
    };
    for (const auto& [field, message] : cases) {
        ConfigFormValues v = passingForm();
        v.*field = euro;
        ConfigBlock block;
        const SaveCheckOutcome outcome = runSaveChecks(v, block);
        EXPECT_EQ(outcome.status, SaveCheckStatus::RuleFailed) << message;
        EXPECT_EQ(outcome.message, QString::fromLatin1(message));
        EXPECT_EQ(block.text(DeviceField::ModelName), "") << message;  // nothing was copied
    }
    // Latin-1 letters are single bytes and pass this check.
    ConfigFormValues v = passingForm();
    v.wpaPsk = QString::fromUtf8("cl\u00E9");
    EXPECT_EQ(checkSingleByteTexts(v), std::nullopt);
}
