// The configuration window's validation, export and import, offscreen: texts
// through the recording prompter, paths through the scripted file dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>

#include "config/save_records.h"
#include "support/config_window_driver.h"
#include "support/file_contents.h"
#include "support/temp_directory.h"
#include "ui/ip_address_edit.h"

using namespace quillmar;
using quillmar::test::contentOf;
using quillmar::test::writeFile;

namespace {

QByteArray bytesOf(const DeviceEntry& entry)
{
    return QByteArray(entry.data(), int(entry.size()));
}

class ConfigFilesWindowTest : public ::testing::Test {
protected:
    test::ConfigWindowDriver w;
    test::TempDirectory dir;
};

TEST_F(ConfigFilesWindowTest, ExportWritesTheValidatedRecordOf256Bytes)
{
    DeviceEntry module = test::wifiModule("192.0.2.20");
    module.setText(DeviceField::WpaPsk, std::string(72, 'k'));  // fills its field, no terminator
    TcfgForm& f = w.open(module);
    w.edit("Edit_SSID")->setText(QStringLiteral("NewNet5"));
    const QString path = dir.file(QStringLiteral("kitchen.bin"));
    w.dialogs.paths.push_back(path);

    w.button("exportBtn")->click();

    ASSERT_EQ(w.dialogs.requests.size(), 1u);
    EXPECT_EQ(w.dialogs.requests[0].kind, test::ScriptedFileDialogs::Kind::Save);
    EXPECT_EQ(w.dialogs.requests[0].request.title, QStringLiteral("Save Configuration file..."));
    EXPECT_EQ(w.dialogs.requests[0].request.filter, QStringLiteral("*.bin"));
    EXPECT_EQ(w.dialogs.requests[0].request.defaultSuffix, QStringLiteral("bin"));

    DeviceEntry expected = module;
    expected.setText(DeviceField::Ssid, "NewNet5");
    const QByteArray written = contentOf(path);
    EXPECT_EQ(written.size(), 256);
    EXPECT_EQ(written, bytesOf(expected));
    EXPECT_EQ(written, blockRecordBytes(f.configBlock()));
    EXPECT_EQ(written.mid(184, 72), QByteArray(72, 'k'));

    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_EQ(w.prompter.prompts[0].title, QStringLiteral("Finished"));
    EXPECT_EQ(w.prompter.prompts[0].text, QStringLiteral("export configuration file finished"));
    EXPECT_EQ(w.prompter.prompts[0].icon, PromptIcon::None);
}

TEST_F(ConfigFilesWindowTest, AnsweringNoLeavesTheExistingFileUntouched)
{
    w.open(test::wifiModule("192.0.2.20"));
    const QString path = dir.file(QStringLiteral("old.bin"));
    writeFile(path, "the old configuration");
    w.dialogs.paths.push_back(path);
    w.prompter.answers.push_back(PromptAnswer::No);

    w.button("exportBtn")->click();

    EXPECT_EQ(contentOf(path), QByteArray("the old configuration"));
    ASSERT_EQ(w.prompter.prompts.size(), 2u);
    EXPECT_EQ(w.prompter.prompts[0].title, QStringLiteral("INFO"));
    EXPECT_EQ(w.prompter.prompts[0].text, QStringLiteral(" file is exist, Would you over write ?"));
    EXPECT_EQ(w.prompter.prompts[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(w.prompter.prompts[1].title, QStringLiteral("InFormation"));
    EXPECT_EQ(w.prompter.prompts[1].text, QStringLiteral("Please input another file name."));
    EXPECT_FALSE(w.prompter.texts().contains(QStringLiteral("export configuration file finished")));

    // Yes replaces it.
    w.dialogs.paths.push_back(path);
    w.prompter.answers.push_back(PromptAnswer::Yes);
    w.button("exportBtn")->click();
    EXPECT_EQ(contentOf(path).size(), 256);
    EXPECT_EQ(w.prompter.texts().last(), QStringLiteral("export configuration file finished"));
}

TEST_F(ConfigFilesWindowTest, ValidationFailureWritesNoFileAndAsksForNone)
{
    w.open(test::wifiModule("192.0.2.20"));
    w.edit("Edit_SSID")->setText(QStringLiteral("Shop Net"));
    const QString path = dir.file(QStringLiteral("never.bin"));
    w.dialogs.paths.push_back(path);

    w.button("exportBtn")->click();

    EXPECT_EQ(w.prompter.texts(), QStringList{QStringLiteral("invalid SSID config!")});
    EXPECT_EQ(w.prompter.prompts[0].title, QStringLiteral("Error"));
    EXPECT_EQ(w.prompter.prompts[0].icon, PromptIcon::Warning);
    EXPECT_TRUE(w.dialogs.requests.empty());
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(ConfigFilesWindowTest, CancelledDialogExportsNothing)
{
    w.open(test::wifiModule("192.0.2.20"));
    w.button("exportBtn")->click();  // no path scripted: cancelled
    EXPECT_EQ(w.dialogs.requests.size(), 1u);
    EXPECT_TRUE(w.prompter.prompts.empty());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(ConfigFilesWindowTest, FailedRuleKeepsEarlierCopiesAndTheCheckedAddressShows)
{
    TcfgForm& f = w.open(test::wifiModule("192.0.2.20"));
    f.moduleAddressControl()->setValue(0xC0000263u);  // 192.0.2.99, not what the octet fields hold
    w.edit("Edit_UDPPort")->setText(QStringLiteral("7001"));
    w.edit("Edit_listenPort1")->setText(QStringLiteral("7000"));
    w.edit("Edit_SerialNo")->clear();
    w.edit("Edit_SSID")->setText(QStringLiteral("Changed"));

    EXPECT_EQ(f.checkBeforeSave(), -1);

    EXPECT_EQ(w.prompter.texts(), QStringList{QStringLiteral("invalid Serial Number!")});
    EXPECT_EQ(f.configBlock().text(DeviceField::UdpPort), "7001");
    EXPECT_EQ(f.configBlock().text(DeviceField::TcpPort), "7000");
    EXPECT_EQ(f.configBlock().text(DeviceField::IpAddress), "192.0.2.20");
    EXPECT_EQ(f.configBlock().text(DeviceField::DeviceName), "POS-Kitchen");
    EXPECT_EQ(f.configBlock().text(DeviceField::Ssid), "ShopNet");
    EXPECT_EQ(f.moduleAddressControl()->value(), 0xC0000214u);
}

TEST_F(ConfigFilesWindowTest, UnconvertibleNumberIsLoggedAndShownAsAnException)
{
    TcfgForm& f = w.open(test::wifiModule("192.0.2.20"));
    w.control<QCheckBox>("CkBox_dpLen")->click();
    w.edit("Edit_dpLen")->setText(QStringLiteral("12x"));

    EXPECT_EQ(f.checkBeforeSave(), -1);

    EXPECT_EQ(w.logLines, QStringList{QStringLiteral("checkBeforeSave")});
    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_EQ(w.prompter.prompts[0].kind, PromptKind::Exception);
    EXPECT_EQ(w.prompter.prompts[0].text, QStringLiteral("'12x' is not a valid integer value"));
}

TEST_F(ConfigFilesWindowTest, ImportSetsTheControlsItsKeysName)
{
    TcfgForm& f = w.open(test::wifiModule("192.0.2.20"));
    const QString path = dir.file(QStringLiteral("settings.txt"));
    writeFile(path, "Quillmar settings\r\n"
                    "$SBNRX9000\r\n"
                    "$SSB9600\r\n"
                    "$SOD101\r\n"
                    "$SOS0D0A\r\n"
                    "$SOL512\r\n"
                    "$SLC1\r\n"
                    "$SLI192.0.2.77\r\n"
                    "$SOMUD\r\n"
                    "$SOCTO\r\n"
                    "$SOU300\r\n"
                    "$SCI198.51.100.9\r\n"
                    "$SCNprinter.example\r\n"
                    "$SOF1\r\n"
                    "$SOI192.0.2.1:0.0.0.0\r\n"
                    "$sbnlowercase\r\n"
                    "$SOS0D0\r\n"
                    "$SBNlost without its line end");
    w.dialogs.paths.push_back(path);

    w.button("importBtn")->click();

    ASSERT_EQ(w.dialogs.requests.size(), 1u);
    EXPECT_EQ(w.dialogs.requests[0].kind, test::ScriptedFileDialogs::Kind::Open);
    EXPECT_EQ(w.dialogs.requests[0].request.title, QStringLiteral("Open Configuration file..."));
    EXPECT_EQ(w.dialogs.requests[0].request.filter, QStringLiteral("*.txt"));
    EXPECT_TRUE(w.prompter.prompts.empty());

    EXPECT_EQ(w.edit("Edit_devName")->text(), QStringLiteral("RX9000"));
    EXPECT_EQ(w.control<QComboBox>("CmbBox_sBaud")->currentText(), QStringLiteral("9600"));
    EXPECT_TRUE(w.control<QCheckBox>("CkBox_dpStr")->isChecked());
    EXPECT_EQ(w.edit("Edit_dpStr0")->text(), QStringLiteral("0D"));  // the three-digit line changed nothing
    EXPECT_EQ(w.edit("Edit_dpStr1")->text(), QStringLiteral("0A"));
    EXPECT_FALSE(w.control<QCheckBox>("CkBox_dpTmout")->isChecked());
    EXPECT_FALSE(w.edit("Edit_dpTmout")->isEnabled());
    EXPECT_TRUE(w.control<QCheckBox>("CkBox_dpLen")->isChecked());
    EXPECT_EQ(w.edit("Edit_dpLen")->text(), QStringLiteral("512"));
    EXPECT_EQ(w.control<QComboBox>("CmbBox_ipcfg")->currentText(), QStringLiteral("DHCP"));
    EXPECT_FALSE(f.moduleAddressControl()->isEnabled());
    EXPECT_EQ(f.moduleAddressControl()->value(), 0xC000024Du);
    EXPECT_EQ(w.control<QComboBox>("CmbBox_opmode")->currentText(), QStringLiteral("UDP"));
    EXPECT_FALSE(w.control<QWidget>("Panel_udp")->isHidden());
    EXPECT_TRUE(w.control<QCheckBox>("ChkBox_tmoutC")->isChecked());
    EXPECT_EQ(w.edit("Edit_connTmoutDNS")->text(), QStringLiteral("300"));
    EXPECT_EQ(f.clientRemoteAddressControl()->value(), 0xC6336409u);
    EXPECT_EQ(w.edit("Edit_tcpcHost")->text(), QStringLiteral("printer.example"));
    EXPECT_TRUE(w.control<QCheckBox>("ChkBox_IPFen")->isChecked());
    EXPECT_TRUE(f.filterStartControl()->isEnabled());
    EXPECT_EQ(f.filterStartControl()->value(), 0xC0000201u);
    EXPECT_TRUE(f.filterEndControl()->isBlank());  // a side of 0 is skipped
    // Import sets controls only.
    EXPECT_EQ(f.configBlock().text(DeviceField::ModelName), "RX7000 WI-FI");
}

TEST_F(ConfigFilesWindowTest, ImportEdgeCases)
{
    TcfgForm& f = w.open(test::wifiModule("192.0.2.20"));
    const QString path = dir.file(QStringLiteral("bad.txt"));

    // A window-size value that is not a number ends the import at its line.
    writeFile(path, "$SBNFIRST\r\n$SLWx\r\n$SBNNEVER\r\n");
    EXPECT_EQ(f.importData(path), -1);
    EXPECT_EQ(w.edit("Edit_devName")->text(), QStringLiteral("FIRST"));
    EXPECT_EQ(w.logLines, QStringList{QStringLiteral("importData")});
    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_EQ(w.prompter.prompts[0].kind, PromptKind::Exception);

    // An address that does not parse gives 255.255.255.255.
    writeFile(path, "$SLI192.0.2\r\n");
    EXPECT_EQ(f.importData(path), 0);
    EXPECT_EQ(f.moduleAddressControl()->value(), 0xFFFFFFFFu);

    w.prompter.prompts.clear();
    writeFile(path, QByteArray(1024, 'x'));
    EXPECT_EQ(f.importData(path), -2);
    EXPECT_EQ(f.importData(dir.file(QStringLiteral("missing.txt"))), -1);
    writeFile(path, QByteArray());
    EXPECT_EQ(f.importData(path), -2);
    EXPECT_EQ(w.prompter.texts(), QStringList({QStringLiteral("read file failed."), QStringLiteral("file isn't exists"),
                                               QStringLiteral("read file failed.")}));
    for (const Prompt& prompt : w.prompter.prompts) {
        EXPECT_EQ(prompt.title, QStringLiteral("Error"));
        EXPECT_EQ(prompt.icon, PromptIcon::Warning);
    }
}

}  // namespace
