// The configuration window's saves, offscreen: "Save to Module" against a
// module played by the test on 127.0.0.1:5000 (the window sends from port 6000),
// and the save by COM port into a pseudo-terminal.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHostAddress>
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
#include "config/save_records.h"
#include "support/config_window_driver.h"
#include "ui/ip_address_edit.h"

using namespace quillmar;

namespace {

constexpr int kManualTicks = 3600 * 1000;  // Timer1 never fires: the test ticks by hand
constexpr int kShortTick = 10;

const QByteArray kHeader = QByteArrayLiteral("\xAA\x11\x55");
const QByteArray kRead = QByteArrayLiteral("\x55\x11\xAA");

QByteArray bytesOf(const DeviceEntry& entry)
{
    return QByteArray(entry.data(), int(entry.size()));
}

// A module on 127.0.0.1:5000 that writes down what reaches it and answers as
// told.
class LoopbackModule {
public:
    struct Received {
        QByteArray payload;
        quint16 fromPort;
    };

    LoopbackModule()
    {
        bound = socket.bind(QHostAddress(QStringLiteral("127.0.0.1")), 5000);
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
            if (payload == kRead && !readAnswer.isEmpty())
                socket.writeDatagram(readAnswer, from, port);
            if (payload.size() == 256 && !saveAnswer.isEmpty())
                socket.writeDatagram(saveAnswer, from, port);
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
    QByteArray readAnswer;  // sent back for each read request
    QByteArray saveAnswer;  // sent back for each record
};

class ConfigSaveWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(module.bound) << "127.0.0.1:5000 is taken"; }

    TcfgForm& openModule(int tickMs)
    {
        TcfgForm& f = w.open(test::wifiModule("127.0.0.1"));
        f.Timer1->setInterval(tickMs);
        return f;
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

    w.button("saveModuleBtn")->click();

    ASSERT_EQ(module.count(), 2u);
    EXPECT_EQ(module.received[0].payload, kHeader);
    EXPECT_EQ(module.received[0].fromPort, 6000);
    ASSERT_EQ(module.received[1].payload.size(), 256);
    EXPECT_EQ(module.received[1].fromPort, 6000);
    const DeviceEntry sent = DeviceEntry::fromBytes(module.received[1].payload.constData(), 256);
    EXPECT_EQ(sent.text(DeviceField::IpAddress), "127.0.0.2");
    EXPECT_EQ(sent.text(DeviceField::Ssid), "NewNet");
    EXPECT_EQ(sent.text(DeviceField::Key), "");  // AES: the WPA key goes, the WEP key does not
    EXPECT_EQ(sent.text(DeviceField::WpaPsk), "secret-pass");
    EXPECT_EQ(sent.text(DeviceField::MacAddress), "00-1B-2C-3D-4E-5F");
    EXPECT_EQ(f.configBlock().text(DeviceField::IpAddress), "127.0.0.2");

    EXPECT_EQ(w.label("Label53"), QStringLiteral("Waiting..."));
    EXPECT_EQ(w.label("Label55"), QStringLiteral("NG"));
    EXPECT_FALSE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_FALSE(w.button("abortBtn")->isEnabled());
    EXPECT_FALSE(w.button("Button1")->isEnabled());
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_TRUE(w.prompter.prompts.empty());

    const QStringList waiting{"Waiting.", "Waiting..", "Waiting...", "Waiting...."};
    for (int tick = 1; tick <= 18; ++tick) {
        f.Timer1Timer();
        EXPECT_EQ(w.label("Label53"), waiting[tick % 4]) << tick;
    }
    EXPECT_EQ(module.count(), 2u);
    f.Timer1Timer();  // the 19th: the probe, to the address the window opened with
    ASSERT_EQ(module.count(), 3u);
    EXPECT_EQ(module.received[2].payload, kRead);
    EXPECT_EQ(module.received[2].fromPort, 6000);
    EXPECT_TRUE(f.saveExchange().probeSent());

    for (int tick = 20; tick <= 30; ++tick)
        f.Timer1Timer();
    EXPECT_NE(w.label("Label53"), QStringLiteral("Save to Module OK"));
    f.Timer1Timer();  // the 31st decides
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Save to Module OK"));
    EXPECT_EQ(w.button("abortBtn")->text(), QStringLiteral("Exit"));
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(module.count(), 3u);
}

TEST_F(ConfigSaveWindowTest, SilentModuleIsConfirmedByTheWindowsOwnTimer)
{
    TcfgForm& f = openModule(kShortTick);
    w.button("saveModuleBtn")->click();
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }));
    EXPECT_EQ(w.button("abortBtn")->text(), QStringLiteral("Exit"));
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());
    EXPECT_FALSE(f.Timer1->isActive());
    ASSERT_EQ(module.count(), 3u);
    EXPECT_EQ(module.received[2].payload, kRead);

    w.button("abortBtn")->click();
    EXPECT_FALSE(f.isVisible());
}

TEST_F(ConfigSaveWindowTest, ModuleStillAnsweringAfterTheProbeIsNeverReportedSaved)
{
    module.readAnswer = bytesOf(test::wifiModule("127.0.0.1"));
    TcfgForm& f = openModule(kManualTicks);
    w.button("saveModuleBtn")->click();
    for (int tick = 1; tick <= 19; ++tick)
        f.Timer1Timer();
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label55") == QStringLiteral("OK"); }));
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Response from 127.0.0.1"));

    for (int tick = 20; tick <= 60; ++tick) {
        f.Timer1Timer();
        EXPECT_NE(w.label("Label53"), QStringLiteral("Save to Module OK")) << tick;
    }
    EXPECT_EQ(f.saveExchange().saveTicks(), 30);
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_FALSE(w.button("abortBtn")->isEnabled());
    EXPECT_EQ(w.button("abortBtn")->text(), QStringLiteral("Abort"));

    // Closing the window ends its save.
    f.close();
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_FALSE(f.saveExchange().isRunning());
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

    w.button("saveModuleBtn")->click();
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53").startsWith(QStringLiteral("Response from")); }));
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Response from 127.0.0.1"));
    EXPECT_EQ(w.label("Label55"), QStringLiteral("NG"));
    EXPECT_EQ(w.edit("Edit_SSID")->text(), QStringLiteral("FromModule"));
    EXPECT_EQ(w.edit("Edit_SerialNo")->text(), QStringLiteral("Answered"));
    EXPECT_EQ(w.control<QComboBox>("CmbBox_AuthMode")->currentText(), QStringLiteral("SHARED"));
    EXPECT_EQ(w.control<QComboBox>("CmbBox_EncryType")->currentText(), QStringLiteral("WEP"));
    EXPECT_EQ(w.edit("Edit_WPAPSK")->text(), QStringLiteral("secret-pass"));  // an empty answer leaves it
    EXPECT_EQ(f.configBlock().text(DeviceField::Ssid), "ShopNet");             // the block is not changed

    f.Timer1->setInterval(kShortTick);
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }));
    EXPECT_EQ(w.button("abortBtn")->text(), QStringLiteral("Exit"));
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());

    // A second save in the same window ends the same way.
    w.button("saveModuleBtn")->click();
    EXPECT_EQ(w.label("Label55"), QStringLiteral("NG"));
    ASSERT_TRUE(test::waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }));
    EXPECT_EQ(module.count(), 6u);
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
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
}

TEST_F(ConfigSaveWindowTest, RefusedSendIsShownOnceAndTheSaveEndsUnconfirmed)
{
    TcfgForm& f = w.open(test::wifiModule("0.0.0.0"));
    f.Timer1->setInterval(kManualTicks);
    w.button("saveModuleBtn")->click();
    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_EQ(w.prompter.prompts[0].kind, PromptKind::Exception);
    EXPECT_EQ(w.prompter.prompts[0].text, QStringLiteral("Null Remote Address"));
    // Nothing went out, so nothing may be reported as saved.
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());
    for (int tick = 1; tick <= 40; ++tick)
        f.Timer1Timer();
    EXPECT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_NE(w.label("Label53"), QStringLiteral("Save to Module OK"));
}

TEST_F(ConfigSaveWindowTest, ABroadcastAddressIsRefusedAndNeverReportedSaved)
{
    // The loopback broadcast address stands for 255.255.255.255: the kernel
    // refuses the send, and nothing can leave this machine either way.
    TcfgForm& f = w.open(test::wifiModule("127.255.255.255"));
    f.Timer1->setInterval(kManualTicks);
    w.button("saveModuleBtn")->click();
    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_EQ(w.prompter.prompts[0].kind, PromptKind::Exception);
    EXPECT_TRUE(w.prompter.prompts[0].text.startsWith(QStringLiteral("Unknown Error No. ")))
        << w.prompter.prompts[0].text.toStdString();
    EXPECT_FALSE(f.Timer1->isActive());
    for (int tick = 1; tick <= 40; ++tick)
        f.Timer1Timer();
    EXPECT_NE(w.label("Label53"), QStringLiteral("Save to Module OK"));
    EXPECT_EQ(module.count(), 0u);
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
    TcfgForm& first = openModule(kManualTicks);
    TcfgForm& second = openModule(kManualTicks);
    first.findChild<QPushButton*>(QStringLiteral("saveModuleBtn"))->click();
    second.findChild<QPushButton*>(QStringLiteral("saveModuleBtn"))->click();
    for (int tick = 0; tick < 5; ++tick)
        first.Timer1Timer();
    EXPECT_EQ(first.NMUDP1->LocalPort(), 6000);
    first.close();
    EXPECT_FALSE(first.Timer1->isActive());
    EXPECT_EQ(first.NMUDP1->LocalPort(), 0);  // the configuration port is free again
    first.Timer1Timer();
    EXPECT_EQ(first.saveExchange().saveTicks(), 5);
    EXPECT_EQ(second.saveExchange().saveTicks(), 0);
    EXPECT_TRUE(second.Timer1->isActive());
}

// The save by COM port into a pseudo-terminal standing for COM4.
class ConfigComSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        int slave = -1;
        char name[256] = {};
        ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0) << std::strerror(errno);
        termios raw{};
        ASSERT_EQ(::tcgetattr(slave, &raw), 0);
        ::cfmakeraw(&raw);
        ASSERT_EQ(::tcsetattr(slave, TCSANOW, &raw), 0);
        ::close(slave);
        ::setenv("QUILLMAR_COM4", name, 1);
    }

    void TearDown() override
    {
        ::unsetenv("QUILLMAR_COM4");
        if (master >= 0)
            ::close(master);
    }

    // What the window wrote, up to `count` bytes; the writes are done when the
    // click returns, so nothing more is waited for once the line is empty.
    QByteArray readAtPrinter(int count)
    {
        QByteArray got;
        while (got.size() < count) {
            pollfd ready{master, POLLIN, 0};
            if (::poll(&ready, 1, 0) <= 0)
                break;
            char buffer[512];
            const ssize_t n = ::read(master, buffer, std::min<std::size_t>(sizeof buffer, std::size_t(count - got.size())));
            if (n <= 0)
                break;
            got.append(buffer, qsizetype(n));
        }
        return got;
    }

    void chooseCom4()
    {
        auto* ports = w.control<QComboBox>("CmbBox_comport");
        ports->setCurrentIndex(3);
        emit ports->activated(3);
        ASSERT_EQ(configShared().comPortNumber, 4);
    }

    int master = -1;
    test::ConfigWindowDriver w;
};

TEST_F(ConfigComSaveTest, WritesTheCommandThenTheValidatedRecordByteByByte)
{
    TcfgForm& f = w.open(test::wifiModule("192.0.2.20"));
    chooseCom4();
    w.edit("Edit_SSID")->setText(QStringLiteral("ComNet"));
    w.button("COMsaveModuleBtn")->click();

    const QByteArray written = readAtPrinter(300);
    ASSERT_EQ(written.size(), 260);
    EXPECT_EQ(written.left(4), QByteArrayLiteral("\x1D\x67\x57\x53"));
    DeviceEntry expected = test::wifiModule("192.0.2.20");
    expected.setText(DeviceField::Ssid, "ComNet");
    EXPECT_EQ(written.mid(4), bytesOf(expected));
    EXPECT_EQ(written.mid(4), blockRecordBytes(f.configBlock()));
    EXPECT_FALSE(f.MSComm1->PortOpen());
    EXPECT_TRUE(w.prompter.prompts.empty());
}

TEST_F(ConfigComSaveTest, AnSsidWithASpaceWritesNothing)
{
    w.open(test::wifiModule("192.0.2.20"));
    chooseCom4();
    w.edit("Edit_SSID")->setText(QStringLiteral("Shop Net"));
    w.button("COMsaveModuleBtn")->click();
    EXPECT_EQ(w.prompter.texts(), QStringList{QStringLiteral("invalid SSID config!")});
    EXPECT_TRUE(readAtPrinter(300).isEmpty());
}

TEST_F(ConfigComSaveTest, APortThatCannotOpenReachesTheExceptionBox)
{
    TcfgForm& f = w.open(test::wifiModule("192.0.2.20"));
    ::setenv("QUILLMAR_COM4", "/nonexistent/quillmar-tty", 1);
    chooseCom4();
    w.button("COMsaveModuleBtn")->click();
    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_EQ(w.prompter.prompts[0].kind, PromptKind::Exception);
    EXPECT_TRUE(w.prompter.prompts[0].text.contains(QStringLiteral("COM4"))) << w.prompter.prompts[0].text.toStdString();
    EXPECT_FALSE(f.MSComm1->PortOpen());
}

}  // namespace
