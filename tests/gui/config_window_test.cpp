#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>

#include "comm/serial_control.h"
#include "config/cfg_form.h"
#include "config/config_window_registry.h"
#include "config/opened_form_values.h"
#include "record/program_flags.h"
#include "support/recording_prompter.h"
#include "support/sample_devices.h"
#include "support/tab_order.h"
#include "ui/ip_address_edit.h"

using namespace quillmar;
using quillmar::test::kitchenPrinter;

namespace {

QStringList itemsOf(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// What a user's pick from a choice box's list does.
void choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
}

class ConfigWindowTest : public ::testing::Test {
protected:
    void SetUp() override { programFlags() = ProgramFlags{}; }
    void TearDown() override { setPasswordDialogOpener(nullptr); }

    TcfgForm& open(const ConfigBlock& block)
    {
        ConfigWindowContext context;
        context.defaultModelName = "RX4100 WI-FI";
        context.releaseDevice = [this](const std::string& mac) { released.push_back(mac); };
        context.log = [this](const QString& line) { logLines << line; };
        context.webSourceDirectory = &webSource;
        context.webImagePath = &webImage;
        form = std::make_unique<TcfgForm>(block, context);
        form->show();
        return *form;
    }
    TcfgForm& open(const DeviceEntry& entry) { return open(ConfigBlock(entry)); }

    template <typename T> T* control(const char* name)
    {
        T* found = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QComboBox* box(const char* name) { return control<QComboBox>(name); }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
    bool shown(const char* name) { return control<QWidget>(name)->isVisibleTo(form.get()); }

    std::unique_ptr<TcfgForm> form;
    std::vector<std::string> released;
    QStringList logLines;
    QString webSource = QStringLiteral("/srv/web");
    QString webImage = QStringLiteral("/srv/web.anf");
    test::RecordingPrompter prompter;
};

TEST_F(ConfigWindowTest, FillsARealisticDeviceWithAnAllZeroExtendedArea)
{
    TcfgForm& f = open(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));

    // The title names the printer after the window's own caption.
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Quillmar WI-FI POS Printer Manager v1.11 - Configuration Utility"
                                              " \u2014 POS-Kitchen (192.0.2.20)"));
    EXPECT_EQ(f.size(), QSize(578, 506));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_EQ(f.comSettingsText(), "115200,n,8,1");

    EXPECT_EQ(edit("Edit_devName")->text(), QStringLiteral("RX7000 WI-FI"));
    EXPECT_FALSE(edit("Edit_devName")->isEnabled());
    EXPECT_EQ(edit("Edit_SerialNo")->text(), QStringLiteral("POS-Kitchen"));
    EXPECT_EQ(edit("Edit_listenPort1")->text(), QStringLiteral("9100"));
    EXPECT_EQ(edit("Edit_UDPPort")->text(), QStringLiteral("9101"));
    EXPECT_EQ(edit("Edit_SSID")->text(), QStringLiteral("ShopNet"));
    EXPECT_EQ(edit("Edit_KEY")->text(), QStringLiteral("wepkey1"));
    EXPECT_EQ(edit("Edit_WPAPSK")->text(), QStringLiteral("secret-pass"));
    EXPECT_EQ(edit("Edit1")->text(), QStringLiteral("RX4100 WI-FI"));
    EXPECT_EQ(box("CmbBox_ipcfg")->currentText(), QStringLiteral("STATIC"));
    EXPECT_FALSE(box("CmbBox_ipcfg")->isEnabled());  // no -p
    EXPECT_EQ(box("CmbBox_WIFIMode")->currentText(), QStringLiteral("Infra"));
    EXPECT_EQ(box("CmbBox_AuthMode")->currentText(), QStringLiteral("WPA2PSK"));
    EXPECT_EQ(itemsOf(box("CmbBox_AuthMode")), QStringList({"OPEN", "SHARED", "WEPAUTO", "WPAPSK", "WPA2PSK"}));
    EXPECT_EQ(box("CmbBox_EncryType")->currentText(), QStringLiteral("AES"));
    EXPECT_EQ(itemsOf(box("CmbBox_EncryType")), QStringList({"TKIP", "AES"}));
    EXPECT_TRUE(shown("Edit9"));  // WEP key covered
    EXPECT_FALSE(shown("Edit10"));

    // The module address control sits just under the IP mode box.
    IpAddressEdit* address = f.moduleAddressControl();
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address->objectName(), QStringLiteral("IPAddress_module"));
    EXPECT_EQ(address->value(), 0xC0000214u);
    EXPECT_TRUE(address->isEnabled());
    const QRect ipcfg = box("CmbBox_ipcfg")->geometry();
    EXPECT_EQ(address->geometry(),
              QRect(ipcfg.left(), 2 * ipcfg.top() + ipcfg.height() - 2, ipcfg.width(), ipcfg.height() + 2));
    EXPECT_EQ(f.targetIpText().toStdString(), "192.0.2.20");
    EXPECT_EQ(edit("Edit2")->text(), QStringLiteral("192"));
    EXPECT_EQ(edit("Edit5")->text(), QStringLiteral("20"));
    EXPECT_EQ(f.octetError(), (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(control<QLabel>("Label56")->text(), QStringLiteral("0"));
    EXPECT_EQ(f.openedIpAddress(), "192.0.2.20");
    EXPECT_EQ(f.openedKey(), "wepkey1");

    // Serial group: laid-out defaults, only RS-232 offered.
    EXPECT_EQ(box("CmbBox_sBaud")->currentText(), QStringLiteral("115200"));
    EXPECT_EQ(box("CmbBox_sDataFormat")->currentText(), QStringLiteral("N81"));
    EXPECT_EQ(box("CmbBox_sFlowCtrl")->currentText(), QStringLiteral("NONE"));
    EXPECT_EQ(box("CmbBox_comport")->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(itemsOf(box("CmbBox_sSI")), QStringList({"RS-232"}));
    // Data packing off and empty.
    for (const char* name : {"CkBox_dpLen", "CkBox_dpTmout", "CkBox_dpStr"})
        EXPECT_FALSE(control<QCheckBox>(name)->isChecked()) << name;
    for (const char* name : {"Edit_dpLen", "Edit_dpTmout", "Edit_dpStr0", "Edit_dpStr1"}) {
        EXPECT_TRUE(edit(name)->text().isEmpty()) << name;
        EXPECT_FALSE(edit(name)->isEnabled()) << name;
    }
    // Operation mode keeps "TCP Server" with no panel visible.
    EXPECT_EQ(box("CmbBox_opmode")->currentText(), QStringLiteral("TCP Server"));
    for (const char* name : {"Panel_tcps", "Panel_tcpc", "Panel_udp", "Panel_tcpcDNS", "GrpBox_DNS"})
        EXPECT_TRUE(control<QWidget>(name)->isHidden()) << name;
    EXPECT_EQ(box("CmbBox_connAt")->currentText(), QStringLiteral("Startup"));
    // IP filtering off, range controls disabled.
    EXPECT_FALSE(control<QCheckBox>("ChkBox_IPFen")->isChecked());
    ASSERT_NE(f.filterStartControl(), nullptr);
    EXPECT_FALSE(f.filterStartControl()->isEnabled());
    EXPECT_FALSE(f.filterEndControl()->isEnabled());
    ASSERT_NE(f.clientRemoteAddressControl(), nullptr);
    EXPECT_EQ(f.clientRemoteAddressControl()->pos(), QPoint(96, 8));

    // Only the basic settings are offered; the hidden controls stay hidden.
    auto* pages = control<QTabWidget>("PageControl1");
    EXPECT_TRUE(pages->isTabVisible(pages->indexOf(control<QWidget>("TabSheet1"))));
    for (const char* name : {"TabSheet2", "TabSheet3", "TabSheet_We"})
        EXPECT_FALSE(pages->isTabVisible(pages->indexOf(control<QWidget>(name)))) << name;
    for (const char* name : {"GroupBox1", "Label_windowsize", "CmbBox_ws", "importBtn", "Button1", "Label55", "Edit2",
                             "Edit11", "Edit1", "CheckBox1", "Label17", "Edit_LanStatus", "Edit_fmwVer"})
        EXPECT_FALSE(shown(name)) << name;
    for (const char* name : {"exportBtn", "saveModuleBtn", "abortBtn", "Label53", "Edit_mac", "GrpBox_ns"})
        EXPECT_TRUE(shown(name)) << name;
    EXPECT_EQ(control<QPushButton>("abortBtn")->text(), QStringLiteral("Abort"));
    EXPECT_EQ(control<QPushButton>("saveModuleBtn")->text(), QStringLiteral("Save to Module"));
    EXPECT_EQ(control<QPushButton>("exportBtn")->text(), QStringLiteral("Export..."));
    auto* timer = form->findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_TRUE(prompter.prompts.empty());
}

TEST_F(ConfigWindowTest, LowerCaseMacIsUpperCasedInTheBlockAndShown)
{
    TcfgForm& f = open(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));
    EXPECT_EQ(edit("Edit_mac")->text(), QStringLiteral("00:1B:2C:3D:4E:5F"));
    EXPECT_EQ(f.configBlock().text(DeviceField::MacAddress), "00:1B:2C:3D:4E:5F");
    // The device is still known by the text it was opened with.
    EXPECT_EQ(f.openedMacAddress(), "00:1b:2c:3d:4e:5f");
}

TEST_F(ConfigWindowTest, AdhocListKeepsAReportedWpapskText)
{
    DeviceEntry entry = kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f");
    entry.setText(DeviceField::WifiMode, "Adhoc");
    entry.setText(DeviceField::AuthMode, "WPAPSK");
    entry.setText(DeviceField::EncryType, "TKIP");
    open(entry);
    EXPECT_EQ(box("CmbBox_WIFIMode")->currentText(), QStringLiteral("Adhoc"));
    EXPECT_EQ(itemsOf(box("CmbBox_AuthMode")), QStringList({"OPEN", "SHARED", "WEPAUTO", "WPANONE"}));
    EXPECT_EQ(box("CmbBox_AuthMode")->currentText(), QStringLiteral("WPAPSK"));
    EXPECT_EQ(itemsOf(box("CmbBox_EncryType")), QStringList({"TKIP", "AES"}));
    EXPECT_EQ(box("CmbBox_EncryType")->currentText(), QStringLiteral("TKIP"));

    // Switching to Infra offers the WPA modes again and keeps the text.
    choose(box("CmbBox_WIFIMode"), QStringLiteral("Infra"));
    EXPECT_EQ(itemsOf(box("CmbBox_AuthMode")), QStringList({"OPEN", "SHARED", "WEPAUTO", "WPAPSK", "WPA2PSK"}));
    EXPECT_EQ(box("CmbBox_AuthMode")->currentText(), QStringLiteral("WPAPSK"));
}

TEST_F(ConfigWindowTest, SharedForcesWepAndCoversTheWpaKey)
{
    open(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));  // WPA2PSK / AES
    choose(box("CmbBox_AuthMode"), QStringLiteral("SHARED"));
    EXPECT_EQ(itemsOf(box("CmbBox_EncryType")), QStringList({"WEP"}));
    EXPECT_EQ(box("CmbBox_EncryType")->currentText(), QStringLiteral("WEP"));
    EXPECT_TRUE(shown("Edit10"));
    EXPECT_FALSE(shown("Edit9"));
    EXPECT_EQ(edit("Edit10")->geometry(), edit("Edit_WPAPSK")->geometry());
}

TEST_F(ConfigWindowTest, Wpa2pskReplacesWepByTkipAndCoversTheWepKey)
{
    DeviceEntry entry = kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f");
    entry.setText(DeviceField::AuthMode, "OPEN");
    entry.setText(DeviceField::EncryType, "WEP");
    open(entry);
    EXPECT_EQ(itemsOf(box("CmbBox_EncryType")), QStringList({"NONE", "WEP"}));
    EXPECT_TRUE(shown("Edit10"));
    choose(box("CmbBox_AuthMode"), QStringLiteral("WPA2PSK"));
    EXPECT_EQ(box("CmbBox_EncryType")->currentText(), QStringLiteral("TKIP"));
    EXPECT_EQ(itemsOf(box("CmbBox_EncryType")), QStringList({"TKIP", "AES"}));
    EXPECT_TRUE(shown("Edit9"));
    EXPECT_FALSE(shown("Edit10"));
}

TEST_F(ConfigWindowTest, OpenReplacesAesByNone)
{
    open(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));  // WPA2PSK / AES
    choose(box("CmbBox_AuthMode"), QStringLiteral("OPEN"));
    EXPECT_EQ(box("CmbBox_EncryType")->currentText(), QStringLiteral("NONE"));
    EXPECT_EQ(itemsOf(box("CmbBox_EncryType")), QStringList({"NONE", "WEP"}));
    EXPECT_TRUE(shown("Edit10"));
    // Choosing WEP under OPEN is left alone.
    choose(box("CmbBox_EncryType"), QStringLiteral("WEP"));
    EXPECT_EQ(box("CmbBox_EncryType")->currentText(), QStringLiteral("WEP"));
}

TEST_F(ConfigWindowTest, DhcpDisablesTheAddressControlButKeepsItsValue)
{
    DeviceEntry entry = kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f");
    entry.setText(DeviceField::IpMode, "DHCP");
    TcfgForm& f = open(entry);
    EXPECT_EQ(box("CmbBox_ipcfg")->currentText(), QStringLiteral("DHCP"));
    EXPECT_EQ(box("CmbBox_ipcfg")->currentIndex(), 1);
    ASSERT_NE(f.moduleAddressControl(), nullptr);
    EXPECT_FALSE(f.moduleAddressControl()->isEnabled());
    EXPECT_EQ(f.moduleAddressControl()->value(), 0xC0000214u);
    EXPECT_EQ(f.targetIpText().toStdString(), "192.0.2.20");
}

TEST_F(ConfigWindowTest, TheIpModeChoiceIsOfferedOnlyWithTheDashPOption)
{
    programFlags().allowIpModeFlag = true;
    TcfgForm& f = open(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));
    EXPECT_TRUE(box("CmbBox_ipcfg")->isEnabled());
    choose(box("CmbBox_ipcfg"), QStringLiteral("DHCP"));
    EXPECT_FALSE(f.moduleAddressControl()->isEnabled());
    EXPECT_FALSE(edit("Edit2")->isEnabled());
    EXPECT_EQ(f.moduleAddressControl()->value(), 0xC0000214u);
    choose(box("CmbBox_ipcfg"), QStringLiteral("STATIC"));
    EXPECT_TRUE(f.moduleAddressControl()->isEnabled());
    EXPECT_TRUE(edit("Edit5")->isEnabled());
}

TEST_F(ConfigWindowTest, AnUnparsableAddressShowsAllTwoFiftyFives)
{
    DeviceEntry entry = kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f");
    entry.setText(DeviceField::IpAddress, "192.0.2");
    TcfgForm& f = open(entry);
    ASSERT_NE(f.moduleAddressControl(), nullptr);
    EXPECT_EQ(f.moduleAddressControl()->value(), 0xFFFFFFFFu);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(f.moduleAddressControl()->octetEdit(i)->text(), QStringLiteral("255"));
    for (const char* name : {"Edit2", "Edit3", "Edit4", "Edit5"})
        EXPECT_EQ(edit(name)->text(), QStringLiteral("255")) << name;
    EXPECT_EQ(f.targetIpText().toStdString(), "255.255.255.255");
}

TEST_F(ConfigWindowTest, EmptyRecordFieldsLeaveTheLaidOutTexts)
{
    DeviceEntry entry = kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f");
    entry.setText(DeviceField::Ssid, "");
    entry.setText(DeviceField::WifiMode, "");
    entry.setText(DeviceField::AuthMode, "");
    open(entry);
    EXPECT_TRUE(edit("Edit_SSID")->text().isEmpty());
    EXPECT_EQ(box("CmbBox_WIFIMode")->currentText(), QStringLiteral("Infra"));
    EXPECT_EQ(box("CmbBox_AuthMode")->currentText(), QStringLiteral("OPEN"));
}

TEST_F(ConfigWindowTest, FillsTheExtendedAreaWhenAModuleDeclaresIt)
{
    ConfigBlock block(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));
    block.setText(ConfigField::AltModelName, "RX7000 PLUS");
    block.setText(ConfigField::SerialBaud, "9600");
    block.setText(ConfigField::SerialFormat, "E71");
    block.setText(ConfigField::SerialFlow, "RTS/CTS");
    block.setFlag(ConfigField::HasRs422, '1');
    block.setText(ConfigField::SerialIf, "RS-422");
    block.setFlag(ConfigField::DpDelimOn, '1');
    block.setText(ConfigField::DpDelim, "0D0A");
    block.setFlag(ConfigField::DpTimeoutOn, '1');
    block.setText(ConfigField::DpTimeout, "250");
    block.setFlag(ConfigField::DpLengthOn, '1');
    block.setText(ConfigField::DpLength, "0");  // a leading '0' leaves the box empty
    block.setText(ConfigField::OpModeCode, "UD");
    block.setFlag(ConfigField::IpFilterOn, '1');
    block.setText(ConfigField::IpFilterRange, "192.0.2.10:0.0.0.0");
    block.setFlag(ConfigField::HasWebPage, 1);
    block.setFlag(ConfigField::HasTcpWindow, 1);
    block.setText(ConfigField::TcpWindowIndex, "2");
    TcfgForm& f = open(block);

    // The record's model name is copied after the second one.
    EXPECT_EQ(edit("Edit_devName")->text(), QStringLiteral("RX7000 WI-FI"));
    EXPECT_EQ(box("CmbBox_sBaud")->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(box("CmbBox_sDataFormat")->currentText(), QStringLiteral("E71"));
    EXPECT_EQ(box("CmbBox_sFlowCtrl")->currentText(), QStringLiteral("RTS/CTS"));
    EXPECT_EQ(itemsOf(box("CmbBox_sSI")), QStringList({"RS-232", "RS-422"}));
    EXPECT_EQ(box("CmbBox_sSI")->currentText(), QStringLiteral("RS-422"));
    EXPECT_TRUE(control<QCheckBox>("CkBox_dpStr")->isChecked());
    EXPECT_EQ(edit("Edit_dpStr0")->text(), QStringLiteral("0D"));
    EXPECT_EQ(edit("Edit_dpStr1")->text(), QStringLiteral("0A"));
    EXPECT_TRUE(edit("Edit_dpStr1")->isEnabled());
    EXPECT_EQ(edit("Edit_dpTmout")->text(), QStringLiteral("250"));
    EXPECT_TRUE(control<QCheckBox>("CkBox_dpLen")->isChecked());
    EXPECT_TRUE(edit("Edit_dpLen")->text().isEmpty());
    EXPECT_EQ(box("CmbBox_opmode")->currentText(), QStringLiteral("UDP"));
    EXPECT_FALSE(control<QWidget>("Panel_udp")->isHidden());
    EXPECT_TRUE(control<QCheckBox>("ChkBox_IPFen")->isChecked());
    EXPECT_TRUE(f.filterStartControl()->isEnabled());
    EXPECT_EQ(f.filterStartControl()->value(), 0xC000020Au);
    EXPECT_TRUE(f.filterEndControl()->isBlank());  // a side of 0 is left out
    auto* pages = control<QTabWidget>("PageControl1");
    EXPECT_TRUE(pages->isTabVisible(pages->indexOf(control<QWidget>("TabSheet_We"))));
    EXPECT_EQ(edit("Edit_srcDir")->text(), webSource);
    EXPECT_EQ(edit("Edit_outFile")->text(), webImage);
    EXPECT_EQ(edit("Edit_bin")->text(), webImage);
    EXPECT_TRUE(shown("CmbBox_ws"));
    EXPECT_EQ(box("CmbBox_ws")->currentText(), QStringLiteral("512"));
}

TEST_F(ConfigWindowTest, ASecondModelNameOnlyShowsWhenTheRecordHasNone)
{
    DeviceEntry entry = kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f");
    entry.setText(DeviceField::ModelName, "");
    ConfigBlock block(entry);
    block.setText(ConfigField::AltModelName, "RX_WIFI_IFBOARD");
    open(block);
    // A 15-character name is kept whole although typing is limited to 14.
    EXPECT_EQ(edit("Edit_devName")->text(), QStringLiteral("RX_WIFI_IFBOARD"));
}

TEST_F(ConfigWindowTest, AnUnconvertibleWindowSizeStopsTheFillAndIsReported)
{
    ConfigBlock block(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));
    block.setFlag(ConfigField::HasTcpWindow, 1);
    block.setText(ConfigField::TcpWindowIndex, "x1");
    open(block);
    EXPECT_EQ(logLines, QStringList{QStringLiteral("TcfgForm::FormShow")});
    ASSERT_EQ(prompter.prompts.size(), 1u);
    EXPECT_EQ(prompter.prompts[0].kind, PromptKind::Exception);
    EXPECT_EQ(prompter.prompts[0].text, QStringLiteral("'x1' is not a valid integer value"));
    // What came before stays filled; the steps after it did not run.
    EXPECT_EQ(edit("Edit_SSID")->text(), QStringLiteral("ShopNet"));
    EXPECT_TRUE(edit("Edit_mac")->text().isEmpty());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ConfigWindowTest, ClosingReleasesTheDeviceAndDestroysTheAddressControls)
{
    TcfgForm& f = open(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));
    EXPECT_EQ(f.findChildren<IpAddressEdit*>().size(), 4);
    control<QPushButton>("abortBtn")->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(released, std::vector<std::string>{"00:1b:2c:3d:4e:5f"});
    EXPECT_EQ(f.moduleAddressControl(), nullptr);
    EXPECT_EQ(f.filterEndControl(), nullptr);
    EXPECT_TRUE(f.findChildren<IpAddressEdit*>().isEmpty());
    // A second close releases nothing more.
    f.close();
    EXPECT_EQ(released.size(), 1u);
}

// Tab follows the layout; the read-only ports and the covered key box are no
// stops, and Escape closes the window as its close box does.
TEST_F(ConfigWindowTest, TabFollowsTheLayoutAndEscapeClosesLikeTheCloseBox)
{
    programFlags().allowIpModeFlag = true;
    TcfgForm& f = open(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));
    const QStringList wpa{"Edit_SerialNo",    "CmbBox_ipcfg", "IPAddress_module", "CmbBox_WIFIMode", "CmbBox_AuthMode",
                          "CmbBox_EncryType", "Edit_SSID",    "Edit_WPAPSK",      "showKeysBtn",     "ChkBox_preview",
                          "ChkBox_slip",      "exportBtn",    "saveModuleBtn",    "abortBtn",        "Edit_SerialNo"};
    EXPECT_EQ(test::tabStops(&f, edit("Edit_SerialNo"), int(wpa.size())), wpa);
    EXPECT_EQ(edit("Edit_listenPort1")->focusPolicy(), Qt::ClickFocus);  // still selectable to copy

    // Up to OPEN by the keyboard, past SHARED's WEP: the WPA key box is
    // covered, the WEP key box is a stop.
    box("CmbBox_AuthMode")->setFocus();
    while (box("CmbBox_AuthMode")->currentIndex() > 0)
        QTest::keyClick(box("CmbBox_AuthMode"), Qt::Key_Up);
    EXPECT_EQ(box("CmbBox_EncryType")->currentText(), QStringLiteral("WEP"));
    EXPECT_TRUE(edit("Edit10")->isVisible());
    QStringList open = wpa;
    open.replace(open.indexOf("Edit_WPAPSK"), "Edit_KEY");
    EXPECT_EQ(test::tabStops(&f, edit("Edit_SerialNo"), int(open.size())), open);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(released, std::vector<std::string>{"00:1b:2c:3d:4e:5f"});
}

TEST_F(ConfigWindowTest, DependentCheckBoxesSerialChoicesAndOctetFields)
{
    TcfgForm& f = open(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));
    auto* length = control<QCheckBox>("CkBox_dpLen");
    length->click();
    EXPECT_TRUE(edit("Edit_dpLen")->isEnabled());
    edit("Edit_dpLen")->setText(QStringLiteral("12"));
    length->click();
    EXPECT_FALSE(edit("Edit_dpLen")->isEnabled());
    EXPECT_TRUE(edit("Edit_dpLen")->text().isEmpty());

    control<QCheckBox>("ChkBox_IPFen")->click();
    EXPECT_TRUE(f.filterStartControl()->isEnabled());
    EXPECT_TRUE(f.filterEndControl()->isEnabled());

    control<QCheckBox>("ChkBox_DNSen")->click();
    EXPECT_FALSE(control<QWidget>("Panel_tcpcDNS")->isHidden());
    EXPECT_TRUE(control<QWidget>("Panel_tcpc")->isHidden());
    control<QCheckBox>("ChkBox_DNSen")->click();
    EXPECT_FALSE(control<QWidget>("Panel_tcpc")->isHidden());

    choose(box("CmbBox_opmode"), QStringLiteral("TCP Client"));
    EXPECT_FALSE(control<QWidget>("Panel_tcpc")->isHidden());
    EXPECT_TRUE(control<QWidget>("Panel_tcpcDNS")->isHidden());
    EXPECT_TRUE(control<QWidget>("Panel_udp")->isHidden());

    choose(box("CmbBox_comport"), QStringLiteral("COM3"));
    EXPECT_EQ(f.comPortNumber(), 3);
    EXPECT_EQ(f.serialControl().CommPort(), 3);
    EXPECT_EQ(control<QLabel>("Label53")->text(), QStringLiteral("3"));
    choose(box("CmbBox_sBaud"), QStringLiteral("9600"));
    EXPECT_EQ(f.comSettingsText(), "9600,n,8,1");
    choose(box("CmbBox_sFlowCtrl"), QStringLiteral("RTS/CTS"));
    EXPECT_EQ(f.serialControl().Handshaking(), 2);
    choose(box("CmbBox_sFlowCtrl"), QStringLiteral("NONE"));
    EXPECT_EQ(f.serialControl().Handshaking(), 0);

    edit("Edit3")->setText(QString());
    EXPECT_EQ(f.octetError()[1], 1);
    EXPECT_EQ(control<QLabel>("Label57")->text(), QStringLiteral("1"));
    edit("Edit3")->setText(QStringLiteral("300"));
    EXPECT_EQ(edit("Edit3")->text(), QStringLiteral("255"));
    EXPECT_EQ(f.octetError()[1], 0);
    EXPECT_EQ(control<QLabel>("Label57")->text(), QStringLiteral("0"));
}

TEST_F(ConfigWindowTest, DoubleClickOnTheIpModeBoxOpensThePasswordDialogOnlyWhenTheBoxIsEnabled)
{
    for (const bool allowIpMode : {true, false}) {
        int opened = 0;
        setPasswordDialogOpener([&opened] { ++opened; });
        programFlags().allowIpModeFlag = allowIpMode;
        open(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));
        QComboBox* ipcfg = box("CmbBox_ipcfg");
        QTest::mouseDClick(ipcfg, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        ipcfg->hidePopup();
        EXPECT_EQ(opened, allowIpMode ? 1 : 0) << allowIpMode;
        form->close();
    }
    setPasswordDialogOpener({});
}

TEST_F(ConfigWindowTest, TheLastOpenedWindowIsTheNewest)
{
    open(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f"));
    EXPECT_EQ(newestConfigWindow(), form.get());
    ConfigWindowContext context;
    auto second = std::make_unique<TcfgForm>(ConfigBlock(kitchenPrinter("192.0.2.20", "00:1b:2c:3d:4e:5f")), context);
    EXPECT_EQ(newestConfigWindow(), second.get());
    second.reset();
    EXPECT_EQ(newestConfigWindow(), nullptr);
}

}  // namespace

namespace {

QStringList everyValue(const ConfigFormValues& v)
{
    const auto flag = [](bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); };
    QStringList all{v.modelName,
                    v.serialBaud,
                    v.serialFormat,
                    v.serialFlow,
                    v.serialInterface,
                    flag(v.packingLengthOn),
                    v.packingLength,
                    flag(v.packingTimeoutOn),
                    v.packingTimeout,
                    flag(v.delimiterOn),
                    v.delimiterFirst,
                    v.delimiterSecond,
                    QString::number(v.ipModeIndex),
                    v.ipMode,
                    QString::number(v.addressControlValue),
                    QString::number(v.tcpWindowIndex),
                    v.udpPort,
                    v.tcpPort,
                    v.deviceName,
                    v.macAddress,
                    v.ssid,
                    v.key,
                    v.wpaPsk,
                    v.wifiMode,
                    v.authMode,
                    v.encryType};
    for (const QString& octet : v.octets)
        all << octet;
    return all;
}

}  // namespace

TEST_F(ConfigWindowTest, AnOpenedWindowShowsWhatTheCommandLineWorksOutForTheSameBlock)
{
    DeviceEntry adhoc = kitchenPrinter("192.0.2.21", "00-1b-2c-3d-4e-60");
    adhoc.setText(DeviceField::IpMode, "DHCP");
    adhoc.setText(DeviceField::WifiMode, "Adhoc");
    adhoc.setText(DeviceField::AuthMode, "WPANONE");
    ConfigBlock extended{kitchenPrinter("192.0.2.22")};
    extended.setText(ConfigField::SerialBaud, "9600");
    extended.setText(ConfigField::SerialFormat, "E72");
    extended.setText(ConfigField::SerialFlow, "RTS/CTS");
    extended.setFlag(ConfigField::HasRs485, '1');
    extended.setText(ConfigField::SerialIf, "RS-485");
    extended.setFlag(ConfigField::DpDelimOn, '1');
    extended.setText(ConfigField::DpDelim, "0D0A");
    extended.setFlag(ConfigField::DpLengthOn, '1');
    extended.setText(ConfigField::DpLength, "512");
    extended.setFlag(ConfigField::HasTcpWindow, 1);
    extended.setText(ConfigField::TcpWindowIndex, "1");
    extended.setText(ConfigField::AltModelName, "RX7000 ALT");

    for (const ConfigBlock& block : {ConfigBlock(kitchenPrinter("192.0.2.20")), ConfigBlock(adhoc), extended}) {
        TcfgForm& f = open(block);
        const OpenedForm expected = openedFormValues(block, laidOutFormValues());
        EXPECT_FALSE(expected.stoppedAt.has_value());
        EXPECT_EQ(everyValue(f.formValues()), everyValue(expected.values));
        f.close();
    }
}
