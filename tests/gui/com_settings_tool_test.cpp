// The COM-port settings tool against quillmar-sim's settings ports: two printers
// on COM2 and COM3 (pseudo-terminals), with the real one-second reply wait.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <cstdlib>

#include "support/file_contents.h"
#include "support/fixed_wifi.h"
#include "support/settings_tool_driver.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/tab_order.h"
#include "support/wait_until.h"
#include "tools/com_settings_form.h"
#include "tools/tool_record.h"
#include "ui/ip_address_edit.h"

namespace quillmar {
namespace {

using test::writeFile;

const QString kNoReply = QStringLiteral(
    "Invalid data packing timeout,\nPlease connect device to default Setting COM Port !!");

std::string hexOf(const DeviceEntry& record)
{
    return QByteArray(record.data(), qsizetype(record.size())).toHex().toStdString();
}

class ComSettingsToolTest : public ::testing::Test {
protected:
    // The printers on COM2 and COM3; `faults` spoil the first one's answers.
    void startPrinters(const std::string& faults = {})
    {
        sim = std::make_unique<test::SimProcess>(
            test::simPath(),
            std::vector<std::string>{"--settings-pty", link(2) + test::simFieldsOf(printers[0]) + faults,
                                     "--settings-pty", link(3) + test::simFieldsOf(printers[1])});
        ASSERT_TRUE(sim->ready()) << sim->error;
        ::setenv("QUILLMAR_COM2", link(2).c_str(), 1);
        ::setenv("QUILLMAR_COM3", link(3).c_str(), 1);
    }

    std::string link(int com) { return w.directory.file(QStringLiteral("com%1").arg(com)).toStdString(); }

    void remember(const char* file, const char* content) { writeFile(w.directory.file(QLatin1String(file)), content); }
    QByteArray remembered(const char* file)
    {
        QFile in(w.directory.file(QLatin1String(file)));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(missing)");
    }

    void TearDown() override
    {
        ::unsetenv("QUILLMAR_COM2");
        ::unsetenv("QUILLMAR_COM3");
    }

    DeviceEntry printers[2] = {test::fullWidthRecord("ABCDEFGHIJKLMNOP"), test::fullWidthRecord("SECONDPRINTER-16")};
    test::SettingsToolDriver<TForm1> w;
    std::unique_ptr<test::SimProcess> sim;
};

TEST_F(ComSettingsToolTest, ShowingReadsThePrinterOnTheRememberedPortAndAnotherPortReadsItsOwn)
{
    remember("COMSET.DAT", "2");
    remember("BAUDSET.DAT", "1");
    startPrinters();
    w.open();

    // Each port is shown with the device it stands for.
    EXPECT_EQ(w.template control<QComboBox>("ComBox_com")->currentText(),
              QStringLiteral("COM2 \u2014 ") + QString::fromStdString(link(2)));
    EXPECT_EQ(w.template control<QComboBox>("ComBox_baud")->currentText(), QStringLiteral("19200"));
    const std::pair<const char*, QString> boxes[] = {{"Edit1", "RX7000 WI-FI PRINTER 24C"},
                                                     {"Edit2", "ABCDEFGHIJKLMNOP"},
                                                     {"Edit3", "0A-1B-2C-3D-4E-5F"},
                                                     {"Edit4", "192.0.2.77"},
                                                     {"Edit5", "9100"},
                                                     {"Edit6", "9101"},
                                                     {"Edit7", "STATIC"},
                                                     {"Edit8", "Infra"},
                                                     {"Edit9", "ThirtyFourCharacterNetworkNameXYZ1"},
                                                     {"Edit10", "0123456789ABCDEF0123456789AB"},
                                                     {"Edit11", "WPA2PSK"},
                                                     {"Edit12", "AES"},
                                                     {"Edit13", QString(36, 'p') + QString(36, 'q')}};
    for (const auto& [name, text] : boxes)
        EXPECT_EQ(w.text(name), text) << name;
    EXPECT_EQ(w.window().addressBox()->value(), 0xC000024Du);
    EXPECT_EQ(w.group("RadioGroup4")->selectedText(), QStringLiteral("Infra"));
    EXPECT_EQ(w.group("RadioGroup1")->selectedText(), QStringLiteral("WPA2PSK"));
    EXPECT_EQ(w.group("RadioGroup2")->items(), QStringList({"TKIP", "AES"}));
    EXPECT_EQ(w.group("RadioGroup2")->itemIndex(), 1);
    EXPECT_FALSE(w.group("RadioGroup3")->isEnabled());  // no -p
    EXPECT_TRUE(w.edit("Edit16")->isVisible());         // WPA: the WEP key box is covered
    EXPECT_FALSE(w.edit("Edit17")->isVisible());
    EXPECT_TRUE(w.prompter.prompts.empty());

    w.choosePort(3);
    EXPECT_EQ(settingsToolState().comPort, 3);
    w.click("Button5");
    EXPECT_EQ(w.text("Edit2"), QStringLiteral("SECONDPRINTER-16"));
    EXPECT_EQ(sim->lines("settings-read").size(), 2u);
    EXPECT_TRUE(w.prompter.prompts.empty());
}

// Started from the desktop menu, the start directory has no settings files:
// the port and rate are those kept in the configuration directory.
TEST_F(ComSettingsToolTest, WithoutFilesInTheStartDirectoryThoseOfTheConfigurationDirectoryCount)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(w.config.file("COMSET.DAT")).path()));
    writeFile(w.config.file("COMSET.DAT"), "3");
    writeFile(w.config.file("BAUDSET.DAT"), "1");
    startPrinters();
    w.open();
    EXPECT_EQ(w.template control<QComboBox>("ComBox_com")->currentText(),
              QStringLiteral("COM3 \u2014 ") + QString::fromStdString(link(3)));
    EXPECT_EQ(w.template control<QComboBox>("ComBox_baud")->currentText(), QStringLiteral("19200"));
    EXPECT_EQ(w.text("Edit2"), QStringLiteral("SECONDPRINTER-16"));
}

// Tab follows the layout: the port rows and buttons, the choices, then the
// right-hand column from the top, the address box after the name; disabled
// and masked boxes are no stops.
TEST_F(ComSettingsToolTest, TabFollowsTheLayout)
{
    remember("COMSET.DAT", "2");
    startPrinters();
    w.open();
    const QStringList stops{"ComBox_com",       "ComBox_baud",      "Button5", "Button2",   "RadioGroup4Item0",
                            "RadioGroup1Item4", "RadioGroup2Item1", "Edit2",   "IpAddress", "Edit9",
                            "Edit13",           "ComBox_com"};
    QComboBox* first = w.template control<QComboBox>("ComBox_com");
    EXPECT_EQ(test::tabStops(&w.window(), first, int(stops.size())), stops);
    // WEP: the WPA key box is masked and the WEP key box takes its place.
    w.clickItem("RadioGroup1", 0);
    w.clickItem("RadioGroup2", 1);
    QStringList wep = stops;
    wep.replace(wep.indexOf("RadioGroup1Item4"), "RadioGroup1Item0");
    wep.replace(wep.indexOf("Edit13"), "Edit10");
    EXPECT_EQ(test::tabStops(&w.window(), first, int(wep.size())), wep);
}

TEST_F(ComSettingsToolTest, AReadThatBringsNoRecordSaysWhyAndKeepsTheBoxes)
{
    struct Case {
        const char* faults;
        const char* port;  // QUILLMAR_COM2 instead of the printer's line, when set
        QString message;
        QString deviceName;   // Edit2 afterwards
        const char* logged;   // in the main window's log line
        const char* label15;  // the first record bytes, when known
    };
    const Case cases[] = {
        {",fault=silent", nullptr, kNoReply, "", "no reply", "0,0,0,0"},
        {",fault=lead", nullptr, kNoReply, "", "6 of 262", "0,0,0,0"},
        {",fault=short,shortLength=150", nullptr, QString(), "ABCDEFGHIJKLMNOP", "150 of the record's 256", nullptr},
        {",fault=short,shortLength=30", nullptr, kNoReply, "", "macAddress \"\" is not six", "52,58,37,30"},
        {",fault=echo", nullptr, kNoReply, "", "does not parse: macAddress \"MNOP0a-1b", "a5,a5,a5,a5"},
        {",fault=extralead", nullptr, kNoReply, "", "does not parse: macAddress \"P0a-1b", "a5,52,58,37"},
        {",fault=random", nullptr, kNoReply, "", "does not parse: macAddress", nullptr},
        {"", "/nonexistent/quillmar-com2", QStringLiteral("input format error !"), "", "No such file or directory",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults + std::string(c.port ? c.port : ""));
        test::SettingsToolDriver<TForm1> d;
        startPrinters(c.faults);
        if (c.port)
            ::setenv("QUILLMAR_COM2", c.port, 1);
        writeFile(d.directory.file(QStringLiteral("COMSET.DAT")), "2");
        d.open();
        // The message names the port and why, not only the log behind the window.
        ASSERT_EQ(d.prompter.prompts.size(), c.message.isEmpty() ? 0u : 1u);
        if (!c.message.isEmpty()) {
            const QString text = d.prompter.prompts[0].text;
            EXPECT_TRUE(text.startsWith(c.message + QStringLiteral("\n\nCOM2"))) << text.toStdString();
            EXPECT_TRUE(text.contains(QLatin1String(c.logged))) << text.toStdString();
        }
        EXPECT_EQ(d.text("Edit2"), c.deviceName);
        if (c.message == kNoReply) {
            EXPECT_EQ(d.prompter.prompts[0].icon, PromptIcon::Stop);
            EXPECT_TRUE(d.edit("Edit17")->isVisible());
            EXPECT_EQ(d.group("RadioGroup1")->items(), QStringList({"OPEN", "SHARED", "WEPAUTO", "WPANONE"}));
        }
        if (c.label15) {
            EXPECT_EQ(d.template control<QLabel>("Label15")->text(), QLatin1String(c.label15));
        }
        ASSERT_EQ(d.logLines.size(), 1);
        EXPECT_TRUE(d.logLines[0].contains(QLatin1String(c.logged))) << d.logLines[0].toStdString();
        // Nothing that read could be written back, a short reply included.
        d.click("Button2");
        EXPECT_EQ(d.prompter.texts().last(), kReadFirstMessage);
        EXPECT_TRUE(sim->lines("settings-write").empty());
        // The port was given back: the next read on it gets through.
        ::setenv("QUILLMAR_COM2", link(2).c_str(), 1);
        d.prompter.prompts.clear();
        sim.reset();
        startPrinters();
        d.click("Button5");
        EXPECT_EQ(d.text("Edit2"), QStringLiteral("ABCDEFGHIJKLMNOP"));
        sim.reset();
    }
}

// The record written is the one read, byte for byte, with the changed boxes'
// fields: the MAC keeps its case and the key the encryption does not use stays.
TEST_F(ComSettingsToolTest, SaveRemembersPortAndRateThenWritesTheRecordAsReadWithTheChanges)
{
    remember("COMSET.DAT", "2");
    for (const bool chooseWep : {true, false}) {
        SCOPED_TRACE(chooseWep);
        test::ScopedStateHome home;
        sim.reset();
        startPrinters();  // each case starts from the printer's own record
        w.open();
        DeviceEntry expected = printers[0];
        if (chooseWep) {
            w.clickItem("RadioGroup1", 0);  // OPEN offers NONE and WEP
            ASSERT_EQ(w.group("RadioGroup2")->items(), QStringList({"NONE", "WEP"}));
            w.clickItem("RadioGroup2", 1);
            EXPECT_TRUE(w.edit("Edit17")->isVisible());
            EXPECT_FALSE(w.edit("Edit16")->isVisible());
            // The printer's 28-character key is none a radio takes: a new one goes with WEP.
            w.edit("Edit10")->clear();
            QTest::keyClicks(w.edit("Edit10"), QStringLiteral("ABCDE"));
            expected.setText(DeviceField::AuthMode, "OPEN");
            expected.setText(DeviceField::EncryType, "WEP");
            expected.setText(DeviceField::Key, "ABCDE");
        }
        w.edit("Edit9")->clear();
        QTest::keyClicks(w.edit("Edit9"), QStringLiteral("BackOffice"));
        expected.setText(DeviceField::Ssid, "BackOffice");
        w.choose("ComBox_baud", 2);
        EXPECT_EQ(settingsToolState().baudIndex, 2);

        w.click("Button2");
        EXPECT_EQ(w.prompter.texts().last(), QStringLiteral("Save default com port setting OK !!"));
        // Each file where it was found: the port in the start directory, the
        // rate, which was nowhere, in the configuration directory.
        EXPECT_EQ(remembered("COMSET.DAT"), QByteArray("2"));
        EXPECT_EQ(test::contentOf(w.config.file("BAUDSET.DAT")), QByteArray("2"));
        EXPECT_EQ(remembered("BAUDSET.DAT"), QByteArray("(missing)"));
        ASSERT_TRUE(test::waitUntil([&] { return !sim->lines("settings-write").empty(); }, 5000));
        EXPECT_EQ(sim->lines("settings-write").back().fields["record"], hexOf(expected));
        EXPECT_EQ(sim->lines("settings-write").back().fields["port"], link(2));

        // The record as read was backed up first, and the audit log has the save.
        const QList<QJsonObject> audit = home.auditEntries();
        ASSERT_EQ(audit.size(), 1);
        EXPECT_EQ(audit[0].value("operation").toString(), QStringLiteral("com tool save"));
        EXPECT_EQ(audit[0].value("address").toString(), QStringLiteral("COM2"));
        EXPECT_EQ(audit[0].value("verdict").toString(), QStringLiteral("written"));
        EXPECT_EQ(audit[0].value("changes").toObject().value("ssid").toObject().value("to").toString(),
                  QStringLiteral("BackOffice"));
        QFile backup(audit[0].value("backup").toString());
        ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
        EXPECT_EQ(backup.readAll().toHex().toStdString(), hexOf(printers[0]));
    }
}

// An SSID this PC's Wi-Fi does not see is asked about before anything is
// written, No by default: No writes nothing and says nothing more; Yes writes.
TEST_F(ComSettingsToolTest, AnSsidThisPcDoesNotSeeIsWrittenOnlyOnYes)
{
    remember("COMSET.DAT", "2");
    startPrinters();
    w.adjust = [](SettingsToolContext& context) {
        context.wifiSurvey = test::seeing({test::wpa2AesPoint("OtherNet")});
    };
    w.open();
    w.edit("Edit9")->clear();
    QTest::keyClicks(w.edit("Edit9"), QStringLiteral("BackOffice"));
    for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        w.prompter.prompts.clear();
        if (answer == PromptAnswer::Yes)
            w.prompter.answers.push_back(answer);
        w.click("Button2");
        ASSERT_FALSE(w.prompter.prompts.empty());
        const Prompt& question = w.prompter.prompts[0];
        EXPECT_EQ(question.defaultAnswer, PromptAnswer::No);
        EXPECT_TRUE(question.text.startsWith(QStringLiteral("SAVE SETTING on COM2")));
        EXPECT_TRUE(question.text.endsWith(
            QStringLiteral("SSID: ThirtyFourCharacterNetworkNameXYZ1 -> BackOffice\n"
                           "Wi-Fi: SSID BackOffice is not seen by this PC's Wi-Fi (seen: OtherNet)\n\nSend anyway?")))
            << question.text.toStdString();
        if (answer == PromptAnswer::No) {
            EXPECT_EQ(w.prompter.prompts.size(), 1u);  // no error box after the user's own No
            QTest::qWait(1500);
            EXPECT_TRUE(sim->lines("settings-write").empty());
            EXPECT_TRUE(w.logLines.last().endsWith(
                QStringLiteral(": not sent: SSID BackOffice is not seen by this PC's Wi-Fi (seen: OtherNet)")))
                << w.logLines.join('|').toStdString();
        } else {
            ASSERT_TRUE(test::waitUntil([&] { return !sim->lines("settings-write").empty(); }, 5000));
        }
    }
}

TEST_F(ComSettingsToolTest, ASaveWhoseBackupCannotBeStoredWritesNothing)
{
    remember("COMSET.DAT", "2");
    startPrinters();
    test::ScopedStateHome home;
    writeFile(home.path() + QStringLiteral("/quillmar"), "a file where the state directory goes");
    w.open();
    w.click("Button2");
    EXPECT_TRUE(w.prompter.texts().last().contains(home.path() + QStringLiteral("/quillmar/backups: Not a directory")))
        << w.prompter.texts().last().toStdString();
    EXPECT_TRUE(w.prompter.texts().last().endsWith(QStringLiteral(": nothing was written")));
    EXPECT_TRUE(sim->lines("settings-write").empty());
}

// The printer read on COM2 was unplugged and another one plugged in: the save
// reads the port again and refuses the printer it finds there.
TEST_F(ComSettingsToolTest, ASaveToAnotherPrinterPluggedInSinceTheReadIsRefused)
{
    remember("COMSET.DAT", "2");
    test::ScopedStateHome home;
    startPrinters();
    w.open();
    w.edit("Edit9")->clear();
    QTest::keyClicks(w.edit("Edit9"), QStringLiteral("BackOffice"));
    printers[0].setText(DeviceField::MacAddress, "0a-1b-2c-3d-4e-60");
    sim.reset();
    startPrinters();
    w.click("Button2");
    EXPECT_EQ(w.prompter.texts().last(),
              QStringLiteral("another printer (MAC 0a-1b-2c-3d-4e-60) answers on COM2: nothing was written"));
    EXPECT_EQ(w.prompter.prompts.back().icon, PromptIcon::Stop);
    EXPECT_TRUE(sim->lines("settings-write").empty());
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 1);
    EXPECT_EQ(audit[0].value("macAddress").toString(), QStringLiteral("0a-1b-2c-3d-4e-5f"));
    EXPECT_TRUE(audit[0].value("verdict").toString().startsWith(QStringLiteral("refused: another printer")));
}

TEST_F(ComSettingsToolTest, ASaveWritesOnlyTheRecordReadOnThatPortSinceTheLastFailedRead)
{
    remember("COMSET.DAT", "4");
    ::setenv("QUILLMAR_COM4", "/nonexistent/quillmar-com4", 1);
    startPrinters();
    w.open();  // the read on COM4 fails
    const auto refused = [this](const char* logged) {
        w.click("Button2");
        EXPECT_EQ(w.prompter.texts().last(), kReadFirstMessage);
        EXPECT_EQ(w.prompter.prompts.back().icon, PromptIcon::Stop);
        EXPECT_TRUE(w.logLines.last().contains(QLatin1String(logged))) << w.logLines.last().toStdString();
        EXPECT_TRUE(sim->lines("settings-write").empty());
    };
    w.choosePort(2);
    refused("SAVE SETTING on COM2 refused: no whole record");
    w.click("Button5");
    w.choosePort(3);
    refused("read on COM2, not COM3");

    w.choosePort(2);
    w.click("Button2");  // nothing changed: the printer gets its own bytes back
    ASSERT_TRUE(test::waitUntil([&] { return sim->lines("settings-write").size() == 1; }, 5000));
    EXPECT_EQ(sim->lines("settings-write").back().fields["record"], hexOf(printers[0]));

    // A failed read forgets the good one before it.
    sim.reset();
    startPrinters(",fault=echo");
    w.click("Button5");
    refused("no whole record");
    ::unsetenv("QUILLMAR_COM4");
}

TEST(ComSettingsToolFiles, ARememberedDigitOutOfRangeCountsAsNoFile)
{
    struct Case {
        QByteArray content;
        std::optional<int> port;
        std::optional<int> baud;
    };
    const Case cases[] = {
        {"9", 9, std::nullopt},
        {"1\n", 1, 1},
        {"0", std::nullopt, 0},
        {"4", 4, 4},
        {"x", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    test::TempDirectory directory;
    const QString path = directory.file(QStringLiteral("COMSET.DAT"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content.toStdString());
        writeFile(path, c.content);
        EXPECT_EQ(readComPortFile(path), c.port);
        EXPECT_EQ(readBaudIndexFile(path), c.baud);
    }
}

}  // namespace
}  // namespace quillmar
