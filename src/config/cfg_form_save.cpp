// The configuration window's saves: "Save to Module" over UDP with its timed
// check, the read request of "ReFresh", and the save by COM port.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <array>
#include <exception>

#include "comm/serial_control.h"
#include "comm/udp_endpoint.h"
#include "config/cfg_form.h"
#include "config/com_save.h"
#include "config/save_records.h"
#include "config/single_byte_text.h"
#include "config/validation_rules.h"
#include "record/device_entry.h"
#include "ui/prompter.h"

namespace quillmar {

namespace {

// Shows `text` in a choice box as the module reported it: the equal item is
// selected when there is one, otherwise only the shown text changes. No
// dependent-control rule runs.
void showBoxText(QComboBox* box, const QString& text)
{
    const int index = box->findText(text, Qt::MatchExactly);
    if (index >= 0)
        box->setCurrentIndex(index);
    if (box->isEditable())
        box->setEditText(text);
}

// The window's side of the save exchange: NMUDP1 sends, the labels and buttons
// show where the exchange is.
class FormSaveHost final : public SaveExchangeHost {
public:
    explicit FormSaveHost(TcfgForm& form) : form_(form) {}

    void sendDatagram(const QString& address, quint16 port, const QByteArray& datagram) override
    {
        TNMUDP& udp = *form_.NMUDP1;
        udp.setRemoteHost(address);
        udp.setRemotePort(port);
        // Rebinding an endpoint that already holds the port would drop an answer
        // waiting in its socket; one that could not get the port tries again.
        if (udp.LocalPort() != kLocalConfigPort || !udp.Bound())
            udp.setLocalPort(kLocalConfigPort);
        udp.SendDatagram(datagram);
    }

    void showStatus(const QString& text) override { form_.Label53->setText(text); }
    void showAnswerState(const QString& state) override { form_.Label55->setText(state); }
    void saveStarting() override { form_.Button1->setEnabled(false); }

    void saveSent() override
    {
        form_.saveModuleBtn->setEnabled(false);
        form_.abortBtn->setEnabled(false);
    }

    void showAnsweredRecord(const DeviceEntry& answer) override
    {
        const auto text = [&answer](DeviceField field) { return fromSingleByte(answer.text(field)); };
        form_.Edit_devName->setText(text(DeviceField::ModelName));
        form_.Edit_SerialNo->setText(text(DeviceField::DeviceName));
        form_.Edit_mac->setText(text(DeviceField::MacAddress));
        form_.Edit_listenPort1->setText(text(DeviceField::TcpPort));
        form_.Edit_UDPPort->setText(text(DeviceField::UdpPort));
        showBoxText(form_.CmbBox_ipcfg, text(DeviceField::IpMode));
        showBoxText(form_.CmbBox_WIFIMode, text(DeviceField::WifiMode));
        form_.Edit_SSID->setText(text(DeviceField::Ssid));
        form_.Edit_KEY->setText(text(DeviceField::Key));
        showBoxText(form_.CmbBox_AuthMode, text(DeviceField::AuthMode));
        showBoxText(form_.CmbBox_EncryType, text(DeviceField::EncryType));
        const QString wpaPsk = text(DeviceField::WpaPsk);
        if (!wpaPsk.isEmpty())
            form_.Edit_WPAPSK->setText(wpaPsk);
    }

    void saveConfirmed() override
    {
        form_.abortBtn->setText(QStringLiteral("Exit"));
        form_.abortBtn->setEnabled(true);
        // The window stays usable for another save, to the module where it now is.
        form_.saveModuleBtn->setEnabled(true);
        form_.Button1->setEnabled(true);
        form_.showSavedAddress();
    }

    void sendRefused(const QString& reason) override
    {
        form_.Label53->clear();
        form_.saveModuleBtn->setEnabled(true);
        form_.abortBtn->setEnabled(true);
        form_.Button1->setEnabled(true);
        showException(&form_, reason);
    }

private:
    TcfgForm& form_;
};

}  // namespace

void TcfgForm::connectSaveHandlers()
{
    saveHost_ = std::make_unique<FormSaveHost>(*this);
    saveExchange_ = std::make_unique<SaveExchange>(*saveHost_, *Timer1);

    connect(saveModuleBtn, &QPushButton::clicked, this, &TcfgForm::saveModuleBtnClick);
    connect(Button1, &QPushButton::clicked, this, &TcfgForm::Button1Click);
    connect(COMsaveModuleBtn, &QPushButton::clicked, this, &TcfgForm::COMsaveModuleBtnClick);
    NMUDP1->OnDataReceived = [this](TNMUDP*, int numberBytes, const QString& fromIp, int port) {
        NMUDP1DataReceived(numberBytes, fromIp, port);
    };
    NMUDP2->OnDataReceived = [this](TNMUDP*, int numberBytes, const QString& fromIp, int port) {
        NMUDP2DataReceived(numberBytes, fromIp, port);
    };
}

void TcfgForm::saveModuleBtnClick()
{
    const ConfigFormValues values = formValues();
    const bool octetMissing = std::any_of(octetError_.begin(), octetError_.end(), [](int flag) { return flag == 1; });
    if (octetMissing || !isReachableModuleAddress(values.addressControlValue)) {
        showErrorDialog(this, QString::fromLatin1(kIpInputFormatError));
        return;
    }
    if (const RuleMessage refused = checkSingleByteTexts(values)) {
        showError(this, *refused);
        return;
    }
    const DeviceEntry record = buildUdpSaveRecord(values, block_);
    // The probe goes to where the module was before this save.
    const QString probeAddress = QStringLiteral("%1.%2.%3.%4")
                                     .arg(values.octets[0], values.octets[1], values.octets[2], values.octets[3]);
    saveExchange_->startSave(record, probeAddress);
}

void TcfgForm::showSavedAddress()
{
    showModuleAddress(block_.text(DeviceField::IpAddress));
}

void TcfgForm::Button1Click()
{
    saveExchange_->requestRead();
}

void TcfgForm::Timer1Timer()
{
    saveExchange_->tick();
}

void TcfgForm::NMUDP1DataReceived(int NumberBytes, const QString& FromIP, int /*Port*/)
{
    // The whole datagram, so that the exchange can tell a record from a fragment.
    QByteArray datagram(std::max(NumberBytes, 0), '\0');
    int length = 0;
    NMUDP1->ReadDatagram(datagram.data(), int(datagram.size()), length);
    datagram.resize(std::max(length, 0));
    saveExchange_->answerReceived(datagram, FromIP);
}

void TcfgForm::NMUDP2DataReceived(int /*NumberBytes*/, const QString& /*FromIP*/, int /*Port*/)
{
    std::array<char, kDeviceEntrySize> buffer{};
    int length = 0;
    NMUDP2->ReadDatagram(buffer.data(), int(buffer.size()), length);
    saveExchange_->secondEndpointAnswered();
}

void TcfgForm::COMsaveModuleBtnClick()
{
    if (checkBeforeSave() != 0)
        return;
    try {
        saveByComPort(*MSComm1, comPortNumber_, QString::fromStdString(comSettingsText_), block_);
    } catch (const MSCommError& error) {
        showException(this, QString::fromUtf8(error.what()));
    }
}

}  // namespace quillmar
