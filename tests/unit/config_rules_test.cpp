#include <gtest/gtest.h>

#include "config/record_rules.h"
#include "config/show_fill.h"
#include "record/wifi_choices.h"

using namespace quillmar;

using Items = std::vector<std::string>;

TEST(RecordRules, WifiModeDecidesTheAuthenticationList)
{
    EXPECT_EQ(authModeItemsFor(0), (Items{"OPEN", "SHARED", "WEPAUTO", "WPAPSK", "WPA2PSK"}));
    EXPECT_EQ(authModeItemsFor(1), (Items{"OPEN", "SHARED", "WEPAUTO", "WPANONE"}));
    EXPECT_EQ(authModeItemsFor(-1), (Items{"OPEN", "SHARED", "WEPAUTO", "WPANONE"}));
}

TEST(RecordRules, AuthenticationDecidesTheEncryptionListAndText)
{
    EXPECT_EQ(encryTypeItemsFor("OPEN"), (Items{"NONE", "WEP"}));
    EXPECT_EQ(encryTypeItemsFor("WEPAUTO"), (Items{"WEP"}));
    EXPECT_EQ(encryTypeItemsFor("WPANONE"), (Items{"TKIP", "AES"}));
    EXPECT_FALSE(encryTypeItemsFor("open"));
    EXPECT_FALSE(encryTypeItemsFor(""));

    const struct {
        const char* auth;
        const char* shown;
        const char* fitted;
    } cases[] = {
        {"OPEN", "TKIP", "NONE"},   {"OPEN", "AES", "NONE"},   {"OPEN", "WEP", "WEP"},   {"OPEN", "NONE", "NONE"},
        {"SHARED", "NONE", "WEP"},  {"WEPAUTO", "AES", "WEP"}, {"SHARED", "xyz", "WEP"}, {"WPAPSK", "NONE", "TKIP"},
        {"WPA2PSK", "WEP", "TKIP"}, {"WPANONE", "AES", "AES"}, {"WPAPSK", "xyz", "xyz"}, {"other", "WEP", "WEP"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fittedEncryText(c.auth, c.shown), c.fitted) << c.auth << '/' << c.shown;

    EXPECT_TRUE(coversWpaKey("NONE"));
    EXPECT_TRUE(coversWpaKey("WEP"));
    EXPECT_FALSE(coversWpaKey("TKIP"));
    EXPECT_FALSE(coversWpaKey(""));  // an unknown text covers the WEP key box
}

TEST(RecordRules, SerialChoicesAndOperationPanels)
{
    EXPECT_EQ(commPortForItem(0), 1);
    EXPECT_EQ(commPortForItem(8), 9);
    EXPECT_EQ(commPortForItem(-1), 1);
    EXPECT_EQ(serialSettingsForItem(0), "1200,n,8,1");
    EXPECT_EQ(serialSettingsForItem(7), "115200,n,8,1");
    EXPECT_EQ(serialSettingsForItem(-1), "9600,n,8,1");
    EXPECT_EQ(handshakingFor("NONE"), 0);
    EXPECT_EQ(handshakingFor("XON/XOFF"), 1);
    EXPECT_EQ(handshakingFor("RTS/CTS"), 2);
    EXPECT_EQ(handshakingFor(""), 0);
    EXPECT_EQ(operationPanelFor("TCP Client"), OperationPanel::TcpClient);
    EXPECT_EQ(operationPanelFor("UDP"), OperationPanel::Udp);
    EXPECT_EQ(operationPanelFor("udp"), OperationPanel::None);
}

TEST(RecordRules, OctetFieldsAreClampedAndFlaggedWhenEmpty)
{
    EXPECT_EQ(checkOctetText("").error, 1);
    EXPECT_EQ(checkOctetText("17").text, "17");
    EXPECT_EQ(checkOctetText("17").error, 0);
    EXPECT_EQ(checkOctetText("256").text, "255");
    EXPECT_EQ(checkOctetText("999").text, "255");
    EXPECT_EQ(checkOctetText("-4").text, "0");
}

TEST(ShowFill, AddressInEveryFormTheWindowNeeds)
{
    const AddressView view = addressViewOf("192.168.1.20");
    EXPECT_EQ(view.controlValue, 0xC0A80114u);
    EXPECT_EQ(view.octetTexts, (std::array<std::string, 4>{"192", "168", "1", "20"}));
    EXPECT_EQ(view.targetIpText, "192.168.1.20");

    const AddressView bad = addressViewOf("192.168.1.");
    EXPECT_EQ(bad.controlValue, 0xFFFFFFFFu);
    EXPECT_EQ(bad.octetTexts, (std::array<std::string, 4>{"255", "255", "255", "255"}));
    EXPECT_EQ(bad.targetIpText, "255.255.255.255");
    EXPECT_EQ(addressViewOf("").targetIpText, "255.255.255.255");
}

TEST(ShowFill, PackingTextsAndFilterRange)
{
    EXPECT_EQ(delimiterTextsOf("0D0A").first, "0D");
    EXPECT_EQ(delimiterTextsOf("0D0A").second, "0A");
    EXPECT_EQ(delimiterTextsOf("0D").second, "");
    EXPECT_EQ(delimiterTextsOf("").first, "");
    EXPECT_EQ(packingNumberText("512"), "512");
    EXPECT_FALSE(packingNumberText("0"));
    EXPECT_FALSE(packingNumberText(""));

    EXPECT_FALSE(filterRangeOf("192.0.2.1"));
    const auto range = filterRangeOf("192.0.2.1:192.0.2.9");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->start, 0xC0000201u);
    EXPECT_EQ(range->end, 0xC0000209u);
    const auto halfEmpty = filterRangeOf("0.0.0.0:junk");
    ASSERT_TRUE(halfEmpty);
    EXPECT_FALSE(halfEmpty->start);
    EXPECT_EQ(halfEmpty->end, 0xFFFFFFFFu);  // an unparsable side shows as 255.255.255.255
}
