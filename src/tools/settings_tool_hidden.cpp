// The handlers of the settings tools' hidden controls: reading and writing a
// module's record over UDP, the "$GPS" and "$SAU" probes, and handing the
// printer's boot loader to "Xmodem.exe".
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <chrono>
#include <thread>

#include "comm/com_settings_channel.h"
#include "comm/serial_control.h"
#include "comm/udp_endpoint.h"
#include "config/save_exchange.h"
#include "platform/program_launcher.h"
#include "record/module_protocol.h"
#include "record/single_byte_text.h"
#include "tools/settings_tool_form.h"
#include "tools/settings_tool_rules.h"
#include "ui/prompter.h"
#include "ui/radio_group.h"

namespace quillmar {
namespace {

// The COM port the boot loader listens on while it is updated.
constexpr int kBootloaderComPort = 4;
// Lets the loader take its command before the port closes.
constexpr std::chrono::milliseconds kBootloaderCommandSettle{20};
constexpr const char* kXmodemProgram = "Xmodem.exe";

QByteArray bytesOf(const auto& array)
{
    return QByteArray(reinterpret_cast<const char*>(array.data()), qsizetype(array.size()));
}

// Runs one UDP step; a failure of the endpoint is shown in the exception box.
template <typename Step> void runUdpStep(QWidget* window, Step step)
{
    try {
        step();
    } catch (const std::exception& error) {
        showException(window, QString::fromLocal8Bit(error.what()));
    }
}

}  // namespace

void SettingsToolForm::Button3Click()
{
    runUdpStep(this, [this] {
        NMUDP1->setRemoteHost(udpGetHost_);
        NMUDP1->setRemotePort(kModulePort);
        NMUDP1->setLocalPort(kLocalConfigPort);
        NMUDP1->SendDatagram(bytesOf(kRecordRequestBytes));
    });
}

void SettingsToolForm::Button4Click()
{
    const ToolBoxTexts texts = boxTexts();
    if (const std::optional<QString> refused = checkToolTexts(texts)) {
        showError(this, *refused);
        return;
    }
    // The module gets the boxes as they are: the address as typed and both keys.
    DeviceEntry record = buildToolRecord(texts);
    record.setText(DeviceField::IpAddress, toSingleByte(Edit4->text()));
    record.setText(DeviceField::Key, toSingleByte(Edit10->text()));
    record.setText(DeviceField::WpaPsk, toSingleByte(Edit13->text()));
    runUdpStep(this, [&] {
        NMUDP1->setRemoteHost(lastUdpSender_);
        NMUDP1->setRemotePort(kModulePort);
        NMUDP1->setLocalPort(kLocalConfigPort);
        NMUDP1->SendDatagram(bytesOf(kSaveHeaderBytes));
        NMUDP1->SendDatagram(QByteArray(record.data(), qsizetype(record.size())));
    });
}

void SettingsToolForm::NMUDP1DataReceived(int, const QString& FromIP, int)
{
    lastUdpSender_ = FromIP;
    Label2->setText(FromIP);
    char buffer[kDeviceEntrySize] = {};
    int length = 0;
    NMUDP1->ReadDatagram(buffer, int(sizeof buffer), length);
    const ToolBoxTexts texts = toolTextsFromRecord(DeviceEntry::fromBytes(buffer, std::size_t(std::max(length, 0))));
    // Every box and choice follows the module, an empty field included; the
    // address box, the IP-mode enabling and the key masks stay as they are.
    const auto choice = [](RadioGroup* group, QLineEdit* box, const QString& text) {
        group->setItemIndex(text.isEmpty() ? -1 : toolItemMatching(group->items(), text));
        box->setText(text);
    };
    Edit1->setText(texts.modelName);
    Edit2->setText(texts.deviceName);
    Edit3->setText(texts.macAddress);
    Edit4->setText(texts.addressText);
    Edit5->setText(texts.tcpPort);
    Edit6->setText(texts.udpPort);
    choice(RadioGroup3, Edit7, texts.ipMode);
    choice(RadioGroup4, Edit8, texts.wifiMode);
    Edit9->setText(texts.ssid);
    Edit10->setText(texts.wepKey);
    choice(RadioGroup1, Edit11, texts.authMode);
    choice(RadioGroup2, Edit12, texts.encryType);
    if (!texts.wpaPsk.isEmpty())
        Edit13->setText(texts.wpaPsk);
}

void SettingsToolForm::Button1Click()
{
    runUdpStep(this, [this] {
        NMUDP2->setRemoteHost(Edit14->text());
        NMUDP2->setRemotePort(Edit15->text().toInt());
        NMUDP2->setLocalPort(kLocalConfigPort);
        NMUDP2->SendDatagram(Button1->text().toLatin1());
    });
}

void SettingsToolForm::Button6Click()
{
    runUdpStep(this, [this] {
        NMUDP2->setRemoteHost(Edit14->text());
        NMUDP2->setRemotePort(Edit15->text().toInt());
        NMUDP2->setLocalPort(kLocalConfigPort);
        NMUDP2->SendDatagram(Button6->text().toLatin1());
    });
}

void SettingsToolForm::NMUDP2DataReceived(int, const QString&, int)
{
    char buffer[kDeviceEntrySize] = {};
    int length = 0;
    NMUDP2->ReadDatagram(buffer, int(sizeof buffer), length);
    QString line;
    for (int i = 0; i < length; ++i)
        line += QStringLiteral("%1 ").arg(static_cast<unsigned char>(buffer[i]), 0, 16);
    Memo1->appendPlainText(line);
}

void SettingsToolForm::BitBtn1Click()
{
    startBootloaderUpdate(QByteArrayLiteral("UO"));
}

void SettingsToolForm::BitBtn3Click()
{
    startBootloaderUpdate(QByteArrayLiteral("us"));
}

void SettingsToolForm::startBootloaderUpdate(const QByteArray& command)
{
    const Prompt question{PromptKind::Box, QStringLiteral("Finished"),
                          QStringLiteral("Please connect update COM Port and switch bootloader mode first ?"),
                          PromptIcon::Question, PromptButtons::YesNo};
    if (prompter().show(this, question) != PromptAnswer::Yes)
        return;
    if (MSComm1->PortOpen())
        return;
    try {
        MSComm1->setCommPort(kBootloaderComPort);
        MSComm1->setSettings(QString::fromLatin1(kDirectSettingsLine));
        MSComm1->setPortOpen(true);
        MSComm1->setOutput(command);
        std::this_thread::sleep_for(kBootloaderCommandSettle);
        MSComm1->setPortOpen(false);
    } catch (const MSCommError& error) {
        MSComm1->setPortOpen(false);
        log(QString::fromLocal8Bit(error.what()));
        showException(this, QString::fromLocal8Bit(error.what()));
        return;
    }
    const QString program = QDir(context().workingDirectory).filePath(QString::fromLatin1(kXmodemProgram));
    if (!launcher().startDetached(program, {}, context().workingDirectory))
        log(QStringLiteral("%1 could not be started").arg(program));
}

}  // namespace quillmar
