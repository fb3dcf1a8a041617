// The configuration window's saves, offscreen: "Save to Module" against a
// module played by the test on 127.0.0.1:5000 (the window sends from port 6000),
// and the save by COM port into a pseudo-terminal.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHostAddress>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "comm/serial_control.h"
#include "comm/udp_endpoint.h"
#include "config/config_port.h"
#include "config/save_records.h"
#include "history/record_changes.h"
#include "record/ipv4_text.h"
#include "support/config_window_driver.h"
#include "support/fixed_wifi.h"
#include "support/sim_fields.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/temp_directory.h"
#include "ui/ip_address_edit.h"

using namespace quillmar;
using quillmar::test::controlIn;

namespace {

constexpr int kManualTicks = 3600 * 1000;  // Timer1 never fires: the test ticks by hand
constexpr int kShortTick = 10;

const QByteArray kHeader = QByteArrayLiteral("\xAA\x11\x55");
const QByteArray kRead = QByteArrayLiteral("\x55\x11\xAA");

QByteArray bytesOf(const DeviceEntry& entry)
{
    return QByteArray(entry.data(), int(entry.size()));
}

// A module on a loopback address, port 5000, that writes down what reaches it
// and answers as told.
class LoopbackModule {
public:
    struct Received {
        QByteArray payload;
        quint16 fromPort;
    };

    explicit LoopbackModule(const char* address = "127.0.0.1") : readAnswer(bytesOf(test::wifiModule(address)))
    {
        bound = socket.bind(QHostAddress(QString::fromLatin1(address)), 5000);
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] { pump(); });
    }

    // Takes what has arrived; loopback delivers a datagram within the send.
    void pump()
    {
        while (socket.hasPendingDatagrams()) {
            QByteArray payload(int(socket.pendingDatagramSize()), '\0');
            QHostAddress from;
            quint16 port = 0;
            socket.readDatagram(payload.data(), payload.size(), &from, &port);
            received.push_back({payload, port});
            // A module that took a record restarts: the probe goes unanswered.
            const bool restarting = restartsOnSave && received.size() >= 2
                                    && received[received.size() - 2].payload.size() == 256;
            if (payload == kRead && !readAnswer.isEmpty() && !restarting)
                socket.writeDatagram(readAnswer, from, port);
            if (payload.size() == 256 && !saveAnswer.isEmpty())
                socket.writeDatagram(saveAnswer, from, port);
            if (payload.size() == 256 && keepsSaves)
                readAnswer = payload;
        }
    }

    std::size_t count()
    {
        pump();
        return received.size();
    }

    QUdpSocket socket;
    bool bound = false;
    std::vector<Received> received;
    QByteArray readAnswer;  // sent back for each read request (its record unless changed)
    QByteArray saveAnswer;  // sent back for each record
    bool restartsOnSave = true;
    bool keepsSaves = false;  // answers later reads with the record it took
};

class ConfigSaveWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(module.bound) << "127.0.0.1:5000 is taken"; }

    TcfgForm& openModule(int tickMs)
    {
        TcfgForm& f = w.open(test::wifiModule("127.0.0.1"));
        controlIn<QTimer>(f, "Timer1")->setInterval(tickMs);
        f.saveExchange().setReadWait(std::chrono::milliseconds(300));
        return f;
    }

    // Clicks "Save to Module" and lets the module answer the read that opens the save.
    static void clickSave(TcfgForm& f)
    {
        QTest::mouseClick(controlIn<QPushButton>(f, "saveModuleBtn"), Qt::LeftButton);
        ASSERT_TRUE(test::waitUntil([&] { return !f.saveExchange().isReading(); }));
    }

    LoopbackModule module;
    test::ConfigWindowDriver w;
};

TEST_F(ConfigSaveWindowTest, SavesHeaderAndRecordProbesAtTick19AndConfirmsAtTick31)
{
    TcfgForm& f = openModule(kManualTicks);
    f.moduleAddressControl()->setValue(0x7F000002u);  // the module is to move to 127.0.0.2
    w.edit("Edit_SSID")->setText(QStringLiteral("NewNet"));
    w.edit("Edit_KEY")->setText(QStringLiteral("unused"));

    clickSave(f);

    // The read that finds the module there, then the save; the answer to the
    // read leaves the boxes as the user made them.
    ASSERT_EQ(module.count(), 3u);
    EXPECT_EQ(module.received[0].payload, kRead);
    EXPECT_EQ(w.edit("Edit_SSID")->text(), QStringLiteral("NewNet"));
    EXPECT_EQ(module.received[1].payload, kHeader);
    ASSERT_EQ(module.received[2].payload.size(), 256);
    for (const auto& datagram : module.received)
        EXPECT_EQ(datagram.fromPort, 6000);
    const DeviceEntry sent = DeviceEntry::fromBytes(module.received[2].payload.constData(), 256);
    EXPECT_EQ(sent.text(DeviceField::IpAddress), "127.0.0.2");
    EXPECT_EQ(sent.text(DeviceField::Ssid), "NewNet");
    EXPECT_EQ(sent.text(DeviceField::Key), "");  // AES: the WPA key goes, the WEP key does not
    EXPECT_EQ(sent.text(DeviceField::WpaPsk), "secret-pass");
    EXPECT_EQ(sent.text(DeviceField::MacAddress), "00-1B-2C-3D-4E-5F");
    EXPECT_EQ(f.configBlock().text(DeviceField::IpAddress), "127.0.0.1");  // until the save is confirmed

    EXPECT_EQ(w.label("Label53"), QStringLiteral("Waiting..."));
    EXPECT_EQ(w.label("Label55"), QStringLiteral("NG"));
    EXPECT_FALSE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_FALSE(w.button("abortBtn")->isEnabled());
    EXPECT_FALSE(w.button("Button1")->isEnabled());
    EXPECT_TRUE(controlIn<QTimer>(f, "Timer1")->isActive());
    EXPECT_TRUE(w.prompter.prompts.empty());

    const QStringList waiting{"Waiting.", "Waiting..", "Waiting...", "Waiting...."};
    for (int tick = 1; tick <= 18; ++tick) {
        f.Timer1Timer();
        EXPECT_EQ(w.label("Label53"), waiting[tick % 4]) << tick;
    }
    EXPECT_EQ(module.count(), 3u);
    f.Timer1Timer();  // the 19th: the probe, to the address the window opened with
    ASSERT_EQ(module.count(), 4u);
    EXPECT_EQ(module.received[3].payload, kRead);
    EXPECT_EQ(module.received[3].fromPort, 6000);
    EXPECT_TRUE(f.saveExchange().probeSent());

    for (int tick = 20; tick <= 30; ++tick)
        f.Timer1Timer();
    EXPECT_NE(w.label("Label53"), QStringLiteral("Save to Module OK"));
    f.Timer1Timer();  // the 31st decides
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Save to Module OK"));
    EXPECT_EQ(w.button("abortBtn")->text(), QStringLiteral("Exit"));
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_FALSE(controlIn<QTimer>(f, "Timer1")->isActive());
    EXPECT_EQ(module.count(), 4u);
    // The window goes on with the module where it now is, and with what was
    // written in its boxes.
    EXPECT_EQ(f.configBlock().text(DeviceField::IpAddress), "127.0.0.2");
    EXPECT_EQ(f.targetIpText(), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(w.edit("Edit_KEY")->text(), QString());
    EXPECT_TRUE(f.changedFields().empty());
}

TEST_F(ConfigSaveWindowTest, SilentModuleIsConfirmedByTheWindowsOwnTimer)
{
    TcfgForm& f = openModule(kShortTick);
    clickSave(f);
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }));
    EXPECT_EQ(w.button("abortBtn")->text(), QStringLiteral("Exit"));
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());
    EXPECT_FALSE(controlIn<QTimer>(f, "Timer1")->isActive());
    // The probe, then the read-back of the saved record.
    ASSERT_EQ(module.count(), 5u);
    EXPECT_EQ(module.received[3].payload, kRead);
    EXPECT_EQ(module.received[4].payload, kRead);

    w.button("abortBtn")->click();
    EXPECT_FALSE(f.isVisible());
}

TEST_F(ConfigSaveWindowTest, ModuleStillAnsweringAfterTheProbeEndsNotConfirmedWithTheButtonsUsable)
{
    module.restartsOnSave = false;
    TcfgForm& f = openModule(kManualTicks);
    clickSave(f);
    for (int tick = 1; tick <= 19; ++tick)
        f.Timer1Timer();
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label55") == QStringLiteral("OK"); }));
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Response from 127.0.0.1"));

    for (int tick = 20; tick <= 30; ++tick)
        f.Timer1Timer();
    EXPECT_TRUE(f.saveExchange().isRunning());
    f.Timer1Timer();  // the 31st decides
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Save to Module not confirmed"));
    EXPECT_FALSE(controlIn<QTimer>(f, "Timer1")->isActive());
    EXPECT_FALSE(f.saveExchange().isRunning());
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());
    EXPECT_EQ(w.button("abortBtn")->text(), QStringLiteral("Abort"));
    EXPECT_TRUE(w.logLines.contains(
        QStringLiteral("Save to Module not confirmed: the module still answers at 127.0.0.1 after the probe")))
        << w.logLines.join('|').toStdString();
    EXPECT_TRUE(w.prompter.prompts.empty());

    // "Abort" is a real way out again.
    QTest::mouseClick(w.button("abortBtn"), Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(ConfigSaveWindowTest, AModuleThatDoesNotAnswerTheReadGetsNothing)
{
    module.readAnswer.clear();
    TcfgForm& f = openModule(kManualTicks);
    w.edit("Edit_SSID")->setText(QStringLiteral("Edited"));
    QTest::mouseClick(w.button("saveModuleBtn"), Qt::LeftButton);
    EXPECT_FALSE(w.button("saveModuleBtn")->isEnabled());  // not twice while the read waits
    ASSERT_TRUE(test::waitUntil([&] { return !w.prompter.prompts.empty(); }));
    EXPECT_EQ(w.prompter.texts(), QStringList{QStringLiteral("no answer from 127.0.0.1: nothing was saved")});
    EXPECT_EQ(w.prompter.prompts[0].title, QStringLiteral("Error"));
    ASSERT_EQ(module.count(), 1u);
    EXPECT_EQ(module.received[0].payload, kRead);
    EXPECT_FALSE(controlIn<QTimer>(f, "Timer1")->isActive());
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());
    EXPECT_TRUE(w.button("Button1")->isEnabled());
    EXPECT_EQ(w.edit("Edit_SSID")->text(), QStringLiteral("Edited"));
    EXPECT_TRUE(w.logLines.contains(QStringLiteral("Save to Module: no answer from 127.0.0.1: nothing was saved")));
}

TEST_F(ConfigSaveWindowTest, APortHeldByAnotherProgramRefusesTheSaveBeforeAnythingIsSent)
{
    TcfgForm& f = openModule(kManualTicks);
    QUdpSocket other;  // no address sharing: the port is simply taken
    ASSERT_TRUE(other.bind(QHostAddress::AnyIPv4, 6000, QUdpSocket::DontShareAddress));
    QTest::mouseClick(w.button("saveModuleBtn"), Qt::LeftButton);
    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_EQ(w.prompter.prompts[0].title, QStringLiteral("Error"));
    EXPECT_TRUE(w.prompter.prompts[0].text.contains(QStringLiteral("port 6000 is in use by another program")))
        << w.prompter.prompts[0].text.toStdString();
    EXPECT_TRUE(w.prompter.prompts[0].text.endsWith(QStringLiteral(": nothing was sent")));
    EXPECT_EQ(module.count(), 0u);
    EXPECT_FALSE(f.saveExchange().isRunning());
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());

    // Once the port is free the same window saves from it.
    other.close();
    clickSave(f);
    EXPECT_EQ(module.count(), 3u);
    EXPECT_EQ(module.received[2].fromPort, 6000);
}

TEST_F(ConfigSaveWindowTest, AnswerToTheSaveRefreshesTheBoxesAndTheSilenceThenConfirms)
{
    DeviceEntry answer = test::wifiModule("127.0.0.9");
    answer.setText(DeviceField::Ssid, "FromModule");
    answer.setText(DeviceField::DeviceName, "Answered");
    answer.setText(DeviceField::AuthMode, "SHARED");
    answer.setText(DeviceField::EncryType, "WEP");
    answer.setText(DeviceField::WpaPsk, "");
    module.saveAnswer = bytesOf(answer);
    TcfgForm& f = openModule(kManualTicks);

    clickSave(f);
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53").startsWith(QStringLiteral("Response from")); }));
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Response from 127.0.0.1"));
    EXPECT_EQ(w.label("Label55"), QStringLiteral("NG"));
    EXPECT_EQ(w.edit("Edit_SSID")->text(), QStringLiteral("FromModule"));
    EXPECT_EQ(w.edit("Edit_SerialNo")->text(), QStringLiteral("Answered"));
    EXPECT_EQ(w.control<QComboBox>("CmbBox_AuthMode")->currentText(), QStringLiteral("SHARED"));
    EXPECT_EQ(w.control<QComboBox>("CmbBox_EncryType")->currentText(), QStringLiteral("WEP"));
    EXPECT_EQ(w.edit("Edit_WPAPSK")->text(), QStringLiteral("secret-pass"));  // an empty answer leaves it
    EXPECT_EQ(f.configBlock().text(DeviceField::Ssid), "ShopNet");            // the block is not changed

    controlIn<QTimer>(f, "Timer1")->setInterval(kShortTick);
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }));
    EXPECT_EQ(w.button("abortBtn")->text(), QStringLiteral("Exit"));
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());

    // A second save in the same window ends the same way.
    clickSave(f);
    EXPECT_EQ(w.label("Label55"), QStringLiteral("NG"));
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }));
    EXPECT_EQ(module.count(), 10u);  // each save: read, header, record, probe, read-back
    EXPECT_TRUE(w.prompter.prompts.empty());
}

TEST_F(ConfigSaveWindowTest, AnEmptyOctetFieldRefusesTheSave)
{
    TcfgForm& f = openModule(kManualTicks);
    w.edit("Edit3")->clear();
    w.button("saveModuleBtn")->click();
    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_EQ(w.prompter.prompts[0].kind, PromptKind::TypedDialog);
    EXPECT_EQ(w.prompter.prompts[0].text, QStringLiteral("IP input format error !"));
    EXPECT_EQ(module.count(), 0u);
    EXPECT_FALSE(controlIn<QTimer>(f, "Timer1")->isActive());
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
}

// What the main window's list says decides after the read: an address
// another listed printer answers from is refused, and so is a save to a MAC
// the list holds at two addresses (one of the hosts is a stranger).
TEST_F(ConfigSaveWindowTest, AnAddressOrAMacTheListHoldsElsewhereIsRefusedAfterTheRead)
{
    const struct {
        const char* what;
        DeviceEntry listed;
        quint32 address;
        const char* says;
    } cases[] = {
        {"another printer's address", test::kitchenPrinter("127.0.0.5", "00-AA-BB-CC-DD-05"), 0x7F000005u,
         "127.0.0.5 is the address of another module (00-AA-BB-CC-DD-05, RX7000 WI-FI) answering on this network: "
         "nothing was saved"},
        {"its MAC at another address", test::kitchenPrinter("127.0.0.9"), 0x7F000001u,
         "MAC 00-1B-2C-3D-4E-5F answers from 127.0.0.1 and 127.0.0.9: only one of them is that printer: nothing "
         "was saved"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        w.prompter.prompts.clear();
        module.received.clear();
        const DeviceEntry listed = c.listed;
        w.adjustContext = [listed](ConfigWindowContext& context) {
            context.listedPrinters = [listed] {
                return std::vector<CensusModule>{{listed, *parseIpv4(listed.text(DeviceField::IpAddress))}};
            };
        };
        TcfgForm& f = openModule(kManualTicks);
        f.moduleAddressControl()->setValue(c.address);
        clickSave(f);
        EXPECT_EQ(w.prompter.texts(), QStringList{QString::fromLatin1(c.says)});
        EXPECT_EQ(module.count(), 1u);  // the read, and no save
        f.close();
    }
}

TEST_F(ConfigSaveWindowTest, AnAddressThatWouldStrandTheModuleOrAnUnwritableTextSendsNothing)
{
    struct Case {
        const char* what;
        quint32 address;
        const char* wpaPsk;
        PromptKind kind;
        const char* message;
    };
    const Case cases[] = {
        {"0.0.0.0", 0x00000000u, "secret-pass", PromptKind::TypedDialog, "IP input format error !"},
        {"a 255 last", 0x7F0000FFu, "secret-pass", PromptKind::TypedDialog, "IP input format error !"},
        {"a 255 first", 0xFF000001u, "secret-pass", PromptKind::TypedDialog, "IP input format error !"},
        {"a euro sign in the WPA key", 0x7F000001u, "k\u20ACy", PromptKind::Box,
         "wpaPsk: invalid WPAPSK config!: nothing was saved"},
    };
    for (const Case& c : cases) {
        w.prompter.prompts.clear();
        TcfgForm& f = openModule(kManualTicks);
        f.moduleAddressControl()->setValue(c.address);
        w.edit("Edit_WPAPSK")->setText(QString::fromUtf8(c.wpaPsk));
        w.button("saveModuleBtn")->click();
        ASSERT_EQ(w.prompter.prompts.size(), 1u) << c.what;
        EXPECT_EQ(w.prompter.prompts[0].kind, c.kind) << c.what;
        EXPECT_EQ(w.prompter.prompts[0].text, QString::fromLatin1(c.message)) << c.what;
        EXPECT_EQ(module.count(), 0u) << c.what;
        EXPECT_FALSE(controlIn<QTimer>(f, "Timer1")->isActive()) << c.what;
        EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled()) << c.what;
        f.close();
    }
}

// Two windows on two modules: module A on 127.0.0.1, module B on 127.0.0.2.
class TwoModuleSaveTest : public ConfigSaveWindowTest {
protected:
    void SetUp() override
    {
        ConfigSaveWindowTest::SetUp();
        ASSERT_TRUE(moduleB.bound) << "127.0.0.2:5000 is taken";
    }

    TcfgForm& openB() { return w.open(test::kitchenPrinter("127.0.0.2", "00-AA-BB-CC-DD-EE")); }

    static void tickTo(TcfgForm& f, int ticks)
    {
        for (int tick = 0; tick < ticks; ++tick)
            f.Timer1Timer();
    }

    LoopbackModule moduleB{"127.0.0.2"};
};

TEST_F(TwoModuleSaveTest, ASaveReachesOnlyItsOwnModuleWhateverTheOtherWindowDid)
{
    for (const bool closeBFirst : {false, true}) {
        module.count();  // takes in what the last round left in the socket
        moduleB.count();
        module.received.clear();
        moduleB.received.clear();
        TcfgForm& a = openModule(kManualTicks);
        TcfgForm& b = openB();
        controlIn<QTimer>(b, "Timer1")->setInterval(kManualTicks);
        if (closeBFirst)
            b.close();
        controlIn<QLineEdit>(a, "Edit_SSID")->setText(QStringLiteral("Other"));
        a.saveExchange().setReadWait(std::chrono::milliseconds(300));
        clickSave(a);

        ASSERT_EQ(module.count(), 3u) << closeBFirst;
        const DeviceEntry sent = DeviceEntry::fromBytes(module.received[2].payload.constData(), 256);
        EXPECT_EQ(sent.text(DeviceField::MacAddress), "00-1B-2C-3D-4E-5F");
        EXPECT_EQ(sent.text(DeviceField::IpAddress), "127.0.0.1");
        EXPECT_EQ(sent.text(DeviceField::Ssid), "Other");
        EXPECT_EQ(moduleB.count(), 0u) << closeBFirst;
        EXPECT_EQ(b.targetIpText(), QStringLiteral("127.0.0.2"));

        // A fragment from A's own address and a whole record from B reach A's
        // port 6000 during the save: neither is A's answer.
        const QString statusBefore = controlIn<QLabel>(a, "Label53")->text();
        module.socket.writeDatagram(QByteArrayLiteral("\x01\x02\x03"), QHostAddress(QStringLiteral("127.0.0.1")), 6000);
        moduleB.socket.writeDatagram(bytesOf(test::kitchenPrinter("127.0.0.2", "00-AA-BB-CC-DD-EE")),
                                     QHostAddress(QStringLiteral("127.0.0.1")), 6000);
        QTest::qWait(50);
        EXPECT_EQ(controlIn<QLabel>(a, "Label53")->text(), statusBefore);
        EXPECT_EQ(controlIn<QLineEdit>(a, "Edit_SSID")->text(), QStringLiteral("Other"));
        EXPECT_EQ(controlIn<QLineEdit>(a, "Edit_mac")->text(), QStringLiteral("00-1B-2C-3D-4E-5F"));
        EXPECT_EQ(controlIn<QLineEdit>(a, "Edit_devName")->text(), QStringLiteral("RX7000 WI-FI"));

        tickTo(a, 31);
        EXPECT_EQ(controlIn<QLabel>(a, "Label53")->text(), QStringLiteral("Save to Module OK"));
        EXPECT_EQ(moduleB.count(), 0u);
        EXPECT_EQ(b.saveExchange().saveTicks(), 0);
        a.close();
        b.close();
    }
}

TEST_F(TwoModuleSaveTest, ASecondSaveAfterAnAddressChangeGoesToTheNewAddress)
{
    TcfgForm& f = openModule(kManualTicks);
    f.moduleAddressControl()->setValue(0x7F000002u);
    clickSave(f);
    tickTo(f, 31);
    ASSERT_EQ(w.label("Label53"), QStringLiteral("Save to Module OK"));
    EXPECT_EQ(module.count(), 4u);
    EXPECT_EQ(f.targetIpText(), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(w.edit("Edit5")->text(), QStringLiteral("2"));

    // Module B stands for the module at its new address: it takes the second
    // save and the probe, and its silence after the probe confirms it.
    w.edit("Edit_SSID")->setText(QStringLiteral("Second"));
    clickSave(f);
    tickTo(f, 31);
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Save to Module OK"));
    EXPECT_EQ(module.count(), 4u);
    // B was asked after the first save too: the read-back at the new address.
    ASSERT_EQ(moduleB.count(), 6u);
    EXPECT_EQ(moduleB.received[0].payload, kRead);
    EXPECT_EQ(moduleB.received[1].payload, kRead);
    EXPECT_EQ(moduleB.received[2].payload, kHeader);
    EXPECT_EQ(DeviceEntry::fromBytes(moduleB.received[3].payload.constData(), 256).text(DeviceField::Ssid), "Second");
    EXPECT_EQ(moduleB.received[4].payload, kRead);
    EXPECT_EQ(moduleB.received[5].payload, kRead);
}

TEST_F(ConfigSaveWindowTest, RefreshAsksTheModuleAndShowsItsAnswer)
{
    DeviceEntry current = test::wifiModule("127.0.0.1");
    current.setText(DeviceField::Ssid, "Refreshed");
    module.readAnswer = bytesOf(current);
    openModule(kManualTicks);
    w.button("Button1")->click();
    ASSERT_TRUE(test::waitUntil([&] { return w.edit("Edit_SSID")->text() == QStringLiteral("Refreshed"); }));
    ASSERT_EQ(module.count(), 1u);
    EXPECT_EQ(module.received[0].payload, kRead);
    EXPECT_EQ(module.received[0].fromPort, 6000);
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Response from 127.0.0.1"));
    EXPECT_EQ(w.label("Label55"), QStringLiteral("NG"));
}

TEST_F(ConfigSaveWindowTest, AClosedWindowNeverAdvancesAnotherWindowsSave)
{
    module.restartsOnSave = false;  // both windows talk to the one module
    TcfgForm& first = openModule(kManualTicks);
    TcfgForm& second = openModule(kManualTicks);
    clickSave(first);
    clickSave(second);
    for (int tick = 0; tick < 5; ++tick)
        first.Timer1Timer();
    EXPECT_TRUE(ConfigPort::shared().isOpen());
    first.close();
    EXPECT_FALSE(controlIn<QTimer>(first, "Timer1")->isActive());
    EXPECT_TRUE(ConfigPort::shared().isOpen());  // the other window still saves through it
    first.Timer1Timer();
    EXPECT_EQ(first.saveExchange().saveTicks(), 5);
    EXPECT_EQ(second.saveExchange().saveTicks(), 0);
    EXPECT_TRUE(controlIn<QTimer>(second, "Timer1")->isActive());
    second.close();
    EXPECT_FALSE(ConfigPort::shared().isOpen());  // the configuration port is free again
}

// The save by COM port to a printer on COM4: quillmar-sim's settings port on a
// pseudo-terminal, which answers the read and stores what is written.
class ConfigComSaveTest : public ::testing::Test {
protected:
    void startPrinter(const std::string& faults = {})
    {
        const std::string link = directory.file(QStringLiteral("com4")).toStdString();
        printer = std::make_unique<test::SimProcess>(
            test::simPath(),
            std::vector<std::string>{"--settings-pty", link + test::simFieldsOf(printerRecord) + faults});
        ASSERT_TRUE(printer->ready()) << printer->error;
        ::setenv("QUILLMAR_COM4", link.c_str(), 1);
    }

    void TearDown() override { ::unsetenv("QUILLMAR_COM4"); }

    void chooseCom4()
    {
        auto* ports = w.control<QComboBox>("CmbBox_comport");
        ports->setCurrentIndex(3);
        emit ports->activated(3);
        ASSERT_EQ(w.form().comPortNumber(), 4);
    }

    // The records the printer stored, as hex.
    std::vector<std::string> written() const
    {
        std::vector<std::string> records;
        for (const test::SimLogLine& line : printer->lines("settings-write"))
            records.push_back(line.fields.at("record"));
        return records;
    }

    DeviceEntry printerRecord = test::wifiModule("192.0.2.20");
    test::TempDirectory directory;
    test::ScopedStateHome home;
    std::unique_ptr<test::SimProcess> printer;
    test::ConfigWindowDriver w;
};

TEST_F(ConfigComSaveTest, ReadsAndBacksUpThePrinterThenWritesTheValidatedRecord)
{
    printerRecord.setText(DeviceField::Ssid, "OnThePrinter");
    startPrinter();
    TcfgForm& f = w.open(test::wifiModule("192.0.2.20"));
    chooseCom4();
    w.edit("Edit_SSID")->setText(QStringLiteral("ComNet"));
    QTest::mouseClick(w.button("COMsaveModuleBtn"), Qt::LeftButton);

    ASSERT_TRUE(test::waitUntil([&] { return !written().empty(); }, 5000));
    DeviceEntry expected = test::wifiModule("192.0.2.20");
    expected.setText(DeviceField::Ssid, "ComNet");
    EXPECT_EQ(written(), std::vector<std::string>{bytesOf(expected).toHex().toStdString()});
    EXPECT_EQ(QByteArray::fromStdString(written()[0]), blockRecordBytes(f.configBlock()).toHex());
    EXPECT_FALSE(f.serialControl().PortOpen());
    EXPECT_TRUE(w.prompter.prompts.empty());

    // The printer's own record went into the backup, and the write into the log.
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 1);
    EXPECT_EQ(audit[0].value("operation").toString(), QStringLiteral("window com save"));
    EXPECT_EQ(audit[0].value("address").toString(), QStringLiteral("COM4"));
    EXPECT_EQ(audit[0].value("verdict").toString(), QStringLiteral("written"));
    QFile backup(audit[0].value("backup").toString());
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), bytesOf(printerRecord));
}

TEST_F(ConfigComSaveTest, NothingIsWrittenWithoutAValidRecordOrAReadablePrinter)
{
    struct Case {
        const char* what;
        const char* faults;  // nullptr: no printer on COM4 at all
        const char* ssid;
        const char* says;
    };
    const Case cases[] = {
        {"an SSID with a space", "", "Shop Net", "invalid SSID config!"},
        {"a silent printer", ",fault=silent", "ComNet", "could not be read on COM4 just before the write"},
        {"no device", nullptr, "ComNet", "could not be read on COM4 just before the write"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w.prompter.prompts.clear();
        if (c.faults)
            startPrinter(c.faults);
        else
            ::setenv("QUILLMAR_COM4", "/nonexistent/quillmar-tty", 1);
        TcfgForm& f = w.open(test::wifiModule("192.0.2.20"));
        chooseCom4();
        w.edit("Edit_SSID")->setText(QString::fromLatin1(c.ssid));
        QTest::mouseClick(w.button("COMsaveModuleBtn"), Qt::LeftButton);
        ASSERT_EQ(w.prompter.prompts.size(), 1u);
        EXPECT_TRUE(w.prompter.prompts[0].text.contains(QString::fromLatin1(c.says)))
            << w.prompter.prompts[0].text.toStdString();
        if (c.faults) {
            EXPECT_TRUE(written().empty());
        }
        EXPECT_FALSE(f.serialControl().PortOpen());
        f.close();
        printer.reset();
    }
}

}  // namespace

// The save shows what it would change before anything is written, keys
// masked, in the question that asks to go on (Enter goes on); No sends
// nothing but the read and leaves no audit line.
TEST_F(ConfigSaveWindowTest, ThePreviewShowsThePlannedChangesKeysMaskedAndOnlyYesSaves)
{
    test::ScopedStateHome home;
    w.adjustContext = [](ConfigWindowContext& context) {
        context.wifiSurvey = test::seeing({test::wpa2AesPoint("Shop2"), test::wpa2AesPoint("Shop3")});
    };
    TcfgForm& f = openModule(kShortTick);
    auto* preview = w.control<QCheckBox>("ChkBox_preview");
    ASSERT_FALSE(preview->isChecked());  // the driver's
    QTest::mouseClick(preview, Qt::LeftButton);
    ASSERT_TRUE(TcfgForm::previewBeforeSave());
    w.edit("Edit_SSID")->setText(QStringLiteral("Shop2"));
    w.edit("Edit_WPAPSK")->setText(QStringLiteral("new-passphrase"));

    w.prompter.answers.push_back(PromptAnswer::No);
    clickSave(f);
    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    const Prompt& question = w.prompter.prompts[0];
    EXPECT_EQ(question.title, QStringLiteral("Confirm"));
    EXPECT_EQ(question.buttons, PromptButtons::YesNo);
    EXPECT_EQ(question.defaultAnswer, PromptAnswer::Yes);
    EXPECT_EQ(w.prompter.parents[0], &f);
    // The keys as their masks under this user's mask key, never in clear.
    EXPECT_EQ(question.text, QStringLiteral("Save to Module: POS-Kitchen (00-1B-2C-3D-4E-5F) at 127.0.0.1\n\n"
                                            "SSID: ShopNet -> Shop2\n"
                                            "WPAPSK: %1 -> %2\n"
                                            "Wi-Fi: SSID Shop2 is seen by this PC's Wi-Fi with WPA2-PSK (AES)\n\n"
                                            "Save these changes?")
                                 .arg(maskedKey("secret-pass"), maskedKey("new-passphrase")));
    EXPECT_TRUE(maskedKey("new-passphrase").startsWith(QStringLiteral("hmac:")));
    ASSERT_EQ(module.count(), 1u);
    EXPECT_EQ(module.received[0].payload, kRead);
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_FALSE(f.saveExchange().isRunning());
    EXPECT_TRUE(home.auditEntries().isEmpty());
    EXPECT_TRUE(w.logLines.contains(QStringLiteral(
        "Save to Module: not saved to POS-Kitchen (00-1B-2C-3D-4E-5F) at 127.0.0.1; the changes were not confirmed")))
        << w.logLines.join('|').toStdString();

    // Unanswered, the question takes its default: the save goes.
    clickSave(f);
    ASSERT_EQ(w.prompter.prompts.size(), 2u);
    ASSERT_EQ(module.count(), 4u);
    EXPECT_EQ(module.received[2].payload, kHeader);
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }));
    ASSERT_EQ(home.auditEntries().size(), 1);

    // With the preview off again no question is asked (of a network this PC sees).
    QTest::mouseClick(preview, Qt::LeftButton);
    w.edit("Edit_SSID")->setText(QStringLiteral("Shop3"));
    clickSave(f);
    EXPECT_EQ(w.prompter.prompts.size(), 2u);
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }));
}

// After "Save to Module OK" the window reads the printer back where it now
// is and says "verified" or names the fields that differ; the main window's
// log has a line for the write and one for the read-back; the title follows
// a new name.
TEST_F(ConfigSaveWindowTest, AfterSaveToModuleOkThePrinterIsReadBackAndTheWindowSaysWhatItFound)
{
    // The printer's TCP port, where a proven save's test slip is printed.
    QTcpServer printPort;
    ASSERT_TRUE(printPort.listen(QHostAddress(QStringLiteral("127.0.0.1")), 9100));
    QByteArray printed;
    QObject::connect(&printPort, &QTcpServer::newConnection, [&] {
        QTcpSocket* job = printPort.nextPendingConnection();
        QObject::connect(job, &QTcpSocket::readyRead, [&printed, job] { printed += job->readAll(); });
    });
    for (const bool keeps : {true, false}) {
        module.keepsSaves = keeps;
        module.readAnswer = bytesOf(test::wifiModule("127.0.0.1"));
        w.logLines.clear();
        printed.clear();
        TcfgForm& f = openModule(kShortTick);
        f.setReadbackTiming({std::chrono::milliseconds(3000), std::chrono::milliseconds(100)});
        auto* slip = w.control<QCheckBox>("ChkBox_slip");
        EXPECT_FALSE(slip->isChecked());
        QTest::mouseClick(slip, Qt::LeftButton);
        w.edit("Edit_SSID")->setText(QStringLiteral("Shop2"));
        w.edit("Edit_SerialNo")->setText(QStringLiteral("Bar-2"));
        clickSave(f);
        ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }));
        EXPECT_TRUE(f.windowTitle().endsWith(QStringLiteral("Bar-2 (127.0.0.1)"))) << f.windowTitle().toStdString();
        EXPECT_TRUE(w.logLines.contains(QStringLiteral("Save to Module OK: Bar-2 (00-1B-2C-3D-4E-5F) at 127.0.0.1; "
                                                       "Device Name: POS-Kitchen -> Bar-2; SSID: ShopNet -> Shop2")))
            << w.logLines.join('|').toStdString();
        const QString expected = keeps ? QStringLiteral("Read back: verified at 127.0.0.1")
                                       : QStringLiteral("Read back: differs at 127.0.0.1: Device Name sent Bar-2, "
                                                        "found POS-Kitchen; SSID sent Shop2, found ShopNet");
        // (The slip's outcome may follow at once.)
        ASSERT_TRUE(test::waitUntil([&] { return w.label("Label_verify").startsWith(expected); }, 5000))
            << w.label("Label_verify").toStdString();
        // The slip's line may already follow the read-back's.
        EXPECT_EQ(w.logLines.filter(expected.mid(QStringLiteral("Read back: ").size())).size(), 1)
            << w.logLines.join('|').toStdString();
        // What the read-back heard is no news for the boxes.
        EXPECT_EQ(w.edit("Edit_SSID")->text(), QStringLiteral("Shop2"));
        if (keeps) {
            // Verified: the slip comes out at the printer's TCP port, naming what it now holds.
            ASSERT_TRUE(test::waitUntil([&] { return w.label("Label_verify").contains(QStringLiteral("test slip")); }))
                << w.label("Label_verify").toStdString();
            EXPECT_EQ(w.label("Label_verify"), expected + QStringLiteral("; test slip printed at 127.0.0.1:9100"));
            ASSERT_TRUE(test::waitUntil([&] { return printed.contains("SSID: Shop2"); })) << printed.toStdString();
            EXPECT_TRUE(printed.contains("Device: Bar-2"));
        } else {
            QTest::qWait(200);
            EXPECT_TRUE(printed.isEmpty());  // a record that differs proves nothing
        }
        f.close();
    }
}

// A network this PC's Wi-Fi does not see, or sees with other security, is
// asked about with No as the default, preview or not; one the check cannot
// tell goes on, and the log says so. Nothing but the read goes out on No.
TEST_F(ConfigSaveWindowTest, ANetworkThisPcDoesNotSeeIsSentOnlyOnYes)
{
    struct Case {
        const char* name;
        WifiSurveyor survey;
        std::optional<PromptAnswer> answer;  // unset: the question's default
        const char* line;                    // the check's line; null: no question
        bool sent;
    };
    const Case cases[] = {
        {"not seen", test::seeing({test::wpa2AesPoint("OtherNet")}), std::nullopt,
         "Wi-Fi: SSID Shop2 is not seen by this PC's Wi-Fi (seen: OtherNet)", false},
        {"other security", test::seeing({test::wepPoint("Shop2")}), PromptAnswer::Yes,
         "Wi-Fi: SSID Shop2 offers WEP, not WPA2-PSK (AES) as the printer would join it", true},
        {"no Wi-Fi", test::noWifi(), std::nullopt, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedStateHome home;
        module.received.clear();
        w.prompter.prompts.clear();
        w.logLines.clear();
        w.adjustContext = [&c](ConfigWindowContext& context) { context.wifiSurvey = c.survey; };
        TcfgForm& f = openModule(kShortTick);
        w.edit("Edit_SSID")->setText(QStringLiteral("Shop2"));
        if (c.answer)
            w.prompter.answers.push_back(*c.answer);
        clickSave(f);
        if (c.line) {
            ASSERT_EQ(w.prompter.prompts.size(), 1u);
            const Prompt& question = w.prompter.prompts[0];
            EXPECT_EQ(question.defaultAnswer, PromptAnswer::No);
            EXPECT_EQ(question.text, QStringLiteral("Save to Module: POS-Kitchen (00-1B-2C-3D-4E-5F) at 127.0.0.1\n\n"
                                                    "SSID: ShopNet -> Shop2\n%1\n\nSend anyway?")
                                         .arg(QLatin1String(c.line)));
        } else {
            EXPECT_TRUE(w.prompter.prompts.empty());
            EXPECT_TRUE(w.logLines.contains(QStringLiteral(
                "Save to Module: SSID Shop2 could not be checked: NetworkManager has no Wi-Fi device on this PC")))
                << w.logLines.join('|').toStdString();
        }
        if (c.sent) {
            ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }));
            const auto record = std::find_if(module.received.begin(), module.received.end(),
                                             [](const auto& datagram) { return datagram.payload.size() == 256; });
            ASSERT_NE(record, module.received.end());
            EXPECT_EQ(DeviceEntry::fromBytes(record->payload.constData(), 256).text(DeviceField::Ssid), "Shop2");
        } else {
            EXPECT_EQ(module.count(), 1u);  // the read alone
            EXPECT_EQ(module.received[0].payload, kRead);
            EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
            EXPECT_TRUE(home.auditEntries().isEmpty());
            EXPECT_TRUE(w.logLines.contains(QStringLiteral("Save to Module: not saved to POS-Kitchen "
                                                           "(00-1B-2C-3D-4E-5F) at 127.0.0.1; SSID Shop2 is not seen "
                                                           "by this PC's Wi-Fi (seen: OtherNet)")))
                << w.logLines.join('|').toStdString();
        }
        f.close();
    }
}
