// The COM-port tool's hidden controls, clicked as a user would if they were
// shown: a module played on loopback port 5000 (in a network namespace of this
// test's own, as the tool answers from port 6000), and the boot-loader update
// on a pseudo-terminal standing for COM4 that then starts "Xmodem.exe".
#include <gtest/gtest.h>

#include <QFile>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QUdpSocket>

#include "support/pseudo_terminal.h"
#include "support/sample_devices.h"
#include "support/settings_tool_driver.h"
#include "support/wait_until.h"
#include "tools/com_settings_form.h"

namespace quillmar {
namespace {

class SettingsToolHiddenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("QUILLMAR_COM1", "/nonexistent/quillmar-com1", 1);
        w.open();
        w.prompter.prompts.clear();  // the read on showing found no printer
        w.window().setUdpGetHost(QStringLiteral("127.0.0.1"));
    }
    void TearDown() override { ::unsetenv("QUILLMAR_COM1"); }

    void clickHidden(const char* name)
    {
        w.template control<QPushButton>(name)->show();
        w.click(name);
    }
    static QNetworkDatagram next(QUdpSocket& socket)
    {
        test::waitUntil([&] { return socket.hasPendingDatagrams(); }, 3000);
        return socket.receiveDatagram();
    }

    test::SettingsToolDriver<TForm1> w;
};

TEST_F(SettingsToolHiddenTest, UdpGetFillsTheBoxesAndUdpSetSendsThemBackAsTyped)
{
    QUdpSocket module;
    ASSERT_TRUE(module.bind(QHostAddress::LocalHost, 5000));
    w.edit("Edit13")->setText(QStringLiteral("keep-me"));

    clickHidden("Button3");
    const QNetworkDatagram request = next(module);
    EXPECT_EQ(request.data(), QByteArray("\x55\x11\xAA"));
    EXPECT_EQ(request.senderPort(), 6000);
    DeviceEntry answer = test::kitchenPrinter("127.0.0.9");
    answer.setText(DeviceField::AuthMode, "");
    answer.setText(DeviceField::WpaPsk, "");
    module.writeDatagram(QByteArray(answer.data(), 256), request.senderAddress(), quint16(request.senderPort()));
    ASSERT_TRUE(test::waitUntil([&] { return w.text("Edit2") == QLatin1String("POS-Kitchen"); }, 3000));
    EXPECT_EQ(w.template control<QLabel>("Label2")->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(w.text("Edit4"), QStringLiteral("127.0.0.9"));
    EXPECT_EQ(w.text("Edit11"), QString());  // an empty field empties the box and the choice
    EXPECT_EQ(w.group("RadioGroup1")->itemIndex(), -1);
    EXPECT_EQ(w.text("Edit13"), QStringLiteral("keep-me"));  // an empty key leaves the box

    clickHidden("Button4");
    EXPECT_EQ(next(module).data(), QByteArray("\xAA\x11\x55"));
    const DeviceEntry sent = DeviceEntry::fromBytes(next(module).data().constData(), 256);
    EXPECT_EQ(sent.text(DeviceField::IpAddress), "127.0.0.9");
    EXPECT_EQ(sent.text(DeviceField::Key), "wepkey1");  // both keys, whatever the encryption
    EXPECT_EQ(sent.text(DeviceField::WpaPsk), "keep-me");
    EXPECT_TRUE(w.prompter.prompts.empty());
}

TEST_F(SettingsToolHiddenTest, GpsAndSauGoToThePanelsAddressAndTheAnswerShowsInHex)
{
    QUdpSocket receiver;
    ASSERT_TRUE(receiver.bind(QHostAddress::LocalHost, 5001));
    w.template control<QWidget>("Panel1")->show();
    w.edit("Edit14")->setText(QStringLiteral("127.0.0.1"));
    w.edit("Edit15")->setText(QStringLiteral("5001"));
    w.click("Button1");
    const QNetworkDatagram gps = next(receiver);
    EXPECT_EQ(gps.data(), QByteArray("$GPS"));
    w.click("Button6");
    EXPECT_EQ(next(receiver).data(), QByteArray("$SAU"));
    receiver.writeDatagram(QByteArray("\x01\xAB"), gps.senderAddress(), quint16(gps.senderPort()));
    auto* memo = w.template control<QPlainTextEdit>("Memo1");
    ASSERT_TRUE(test::waitUntil([&] { return !memo->toPlainText().isEmpty(); }, 3000));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("1 ab "));
}

TEST_F(SettingsToolHiddenTest, UpdateButtonsTellTheLoaderOnCom4AndStartXmodem)
{
    test::PseudoTerminal loader(4);
    ASSERT_TRUE(loader.ready()) << loader.error;
    const QString marker = w.directory.file(QStringLiteral("xmodem-started"));
    QFile xmodem(w.directory.file(QStringLiteral("Xmodem.exe")));
    ASSERT_TRUE(xmodem.open(QIODevice::WriteOnly));
    xmodem.write("#!/bin/sh\ntouch \"$PWD/xmodem-started\"\n");
    xmodem.close();
    xmodem.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    w.prompter.answers = {PromptAnswer::No, PromptAnswer::Yes};
    clickHidden("BitBtn3");
    EXPECT_EQ(loader.read(2, 200), std::string());
    clickHidden("BitBtn1");
    EXPECT_EQ(loader.read(2, 2000), "UO");
    EXPECT_TRUE(test::waitUntil([&] { return QFile::exists(marker); }, 5000));
    ASSERT_EQ(w.prompter.prompts.size(), 2u);
    EXPECT_EQ(w.prompter.prompts[0].title, QStringLiteral("Finished"));
    EXPECT_EQ(w.prompter.prompts[0].text,
              QStringLiteral("Please connect update COM Port and switch bootloader mode first ?"));
}

TEST_F(SettingsToolHiddenTest, DefaultButtonsWriteTheRememberedPortAndRate)
{
    w.template control<QComboBox>("ComboBox1")->show();
    w.choose("ComboBox1", 4);
    EXPECT_EQ(settingsToolState().comPort, 5);
    w.choose("ComBox_com", 6);
    w.choose("ComBox_baud", 3);
    clickHidden("Button7");
    clickHidden("Button8");
    // The start directory has neither file: both go to the configuration
    // directory.
    const auto content = [&](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    EXPECT_EQ(content(w.config.file("COMSET.DAT")), QByteArray("7"));
    EXPECT_EQ(content(w.config.file("BAUDSET.DAT")), QByteArray("3"));
    EXPECT_EQ(content(w.directory.file("COMSET.DAT")), QByteArray("<missing>"));
    EXPECT_EQ(w.prompter.texts(), QStringList{QStringLiteral("Save default com port setting OK !!")});
}

}  // namespace
}  // namespace quillmar
