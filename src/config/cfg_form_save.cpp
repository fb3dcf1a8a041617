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
#include <optional>

#include "comm/com_settings_channel.h"
#include "comm/direct_settings.h"
#include "comm/serial_control.h"
#include "comm/udp_endpoint.h"
#include "config/cfg_form.h"
#include "config/config_port.h"
#include "config/save_records.h"
#include "config/validation_rules.h"
#include "history/write_journal.h"
#include "record/device_entry.h"
#include "record/single_byte_text.h"
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
}  // namespace

// The window's side of the save exchange: the configuration port sends, the
// labels and buttons show where the exchange is.
class FormSaveHost final : public SaveExchangeHost {
public:
    explicit FormSaveHost(TcfgForm& form) : form_(form) {}

    void sendDatagram(const QString& address, quint16 port, const QByteArray& datagram) override
    {
        ConfigPort::shared().send(address, port, datagram);
    }

    void showStatus(const QString& text) override { form_.Label53->setText(text); }
    void showAnswerState(const QString& state) override { form_.Label55->setText(state); }

    void saveStarting() override
    {
        form_.Button1->setEnabled(false);
        // Not twice at once: the opening read is under way.
        form_.saveModuleBtn->setEnabled(false);
    }

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
        endJournal(QStringLiteral("confirmed"));
        form_.abortBtn->setText(QStringLiteral("Exit"));
        form_.abortBtn->setEnabled(true);
        // The window stays usable for another save, to the module where it now is.
        form_.saveModuleBtn->setEnabled(true);
        form_.Button1->setEnabled(true);
        form_.showSavedAddress();
    }

    void saveUnconfirmed() override
    {
        endJournal(QStringLiteral("not confirmed"));
        usableAgain();
        log(QStringLiteral("%1: the module still answers at %2 after the probe")
                .arg(QLatin1String(kSaveNotConfirmed), form_.saveExchange().probeAddress()));
    }

    void readUnanswered() override
    {
        endJournal(QStringLiteral("no answer"));
        refuse(QStringLiteral("no answer from %1").arg(form_.targetIpText()));
    }

    // A save starts: its account is kept from the read on.
    void beginJournal()
    {
        journal_ = std::make_unique<WriteJournal>(QStringLiteral("window save"), form_.targetIpText());
        journal_->setMacAddress(QString::fromStdString(form_.openedMacAddress()));
    }

    // The answer to the opening read: the module is there. Its record is not
    // shown; the user's edits stand and are what is saved, once the record as
    // read is backed up.
    std::optional<DeviceEntry> planSave(const QByteArray& answer, const DeviceEntry& record)
    {
        if (answer.size() != qsizetype(kDeviceEntrySize)) {
            endJournal(QStringLiteral("refused: not a settings record"));
            refuse(QStringLiteral("the answer from %1 is not a settings record (%2 bytes instead of %3)")
                       .arg(form_.targetIpText())
                       .arg(answer.size())
                       .arg(kDeviceEntrySize));
            return std::nullopt;
        }
        const DeviceEntry read = DeviceEntry::fromBytes(answer.constData(), kDeviceEntrySize);
        if (journal_) {
            if (const std::optional<QString> failed = journal_->backUp(read)) {
                endJournal(QStringLiteral("refused: no backup"));
                refuse(*failed);
                return std::nullopt;
            }
            journal_->setWritten(record);
        }
        return record;
    }

    // A save that cannot start: only a read request went out, if anything.
    void refuse(const QString& why)
    {
        const QString message = why + QStringLiteral(": nothing was saved");
        form_.Label53->clear();
        usableAgain();
        log(QStringLiteral("Save to Module: ") + message);
        showError(&form_, message);
    }

    void sendRefused(const QString& reason) override
    {
        endJournal(QStringLiteral("failed: ") + reason);
        form_.Label53->clear();
        usableAgain();
        showException(&form_, reason);
    }

    // The window closed during the save.
    void saveStopped() { endJournal(QStringLiteral("stopped")); }

private:
    // The audit line of the save that ends here; the log cannot stop the
    // window, so a failure is only told in the main window's log.
    void endJournal(const QString& verdict)
    {
        if (!journal_)
            return;
        const std::unique_ptr<WriteJournal> journal = std::move(journal_);
        if (const std::optional<QString> failed = journal->finish(verdict))
            log(QStringLiteral("audit log: ") + *failed);
    }

    void usableAgain()
    {
        form_.saveModuleBtn->setEnabled(true);
        form_.abortBtn->setEnabled(true);
        form_.Button1->setEnabled(true);
    }

    void log(const QString& line) const
    {
        if (form_.context().log)
            form_.context().log(line);
    }

    TcfgForm& form_;
    std::unique_ptr<WriteJournal> journal_;
};

void TcfgForm::connectSaveHandlers()
{
    saveHost_ = std::make_unique<FormSaveHost>(*this);
    saveExchange_ = std::make_unique<SaveExchange>(*saveHost_, *Timer1);

    connect(saveModuleBtn, &QPushButton::clicked, this, &TcfgForm::saveModuleBtnClick);
    connect(Button1, &QPushButton::clicked, this, &TcfgForm::Button1Click);
    connect(COMsaveModuleBtn, &QPushButton::clicked, this, &TcfgForm::COMsaveModuleBtnClick);
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
    // Another program on the port would make the module answer there, or
    // store nothing: refused before anything is sent.
    if (const std::optional<QString> busy = ConfigPort::shared().open()) {
        const QString message = *busy + QStringLiteral(": nothing was sent");
        log(QStringLiteral("Save to Module: ") + message);
        showError(this, message);
        return;
    }
    const DeviceEntry record = buildUdpSaveRecord(values, block_);
    // The probe goes to where the module was before this save.
    const QString probeAddress =
        QStringLiteral("%1.%2.%3.%4").arg(values.octets[0], values.octets[1], values.octets[2], values.octets[3]);
    auto& host = static_cast<FormSaveHost&>(*saveHost_);
    host.beginJournal();
    saveExchange_->readThenSave(probeAddress,
                                [&host, record](const QByteArray& answer) { return host.planSave(answer, record); });
}

void TcfgForm::stopSave()
{
    if (!saveExchange_->isRunning())
        return;
    saveExchange_->stop();
    static_cast<FormSaveHost&>(*saveHost_).saveStopped();
    saveModuleBtn->setEnabled(true);
    Button1->setEnabled(true);
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

void TcfgForm::NMUDP1DataReceived(const QByteArray& datagram, const QString& FromIP)
{
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
    ComSettingsChannel channel(*MSComm1, comPortNumber_, QString::fromStdString(comSettingsText_));
    // The printer's record as it is goes into the backup first: a printer that
    // cannot be read cannot be backed up, and then nothing is written.
    const DirectReadResult read = readDirectSettings(channel);
    WriteJournal journal(QStringLiteral("window com save"), channel.deviceName());
    const QByteArray bytes = blockRecordBytes(block_);
    journal.setWritten(DeviceEntry::fromBytes(bytes.constData(), std::size_t(bytes.size())));
    std::optional<QString> refused;
    if (!read.mayBeWrittenBack())
        refused = QStringLiteral("the printer's record could not be read on %1 to back it up (%2)")
                      .arg(read.device, read.reason.isEmpty() ? QStringLiteral("no whole record") : read.reason);
    else
        refused = journal.backUp(read.record);
    const auto endJournal = [this, &journal](const QString& verdict) {
        if (const std::optional<QString> failed = journal.finish(verdict))
            log(QStringLiteral("audit log: ") + *failed);
    };
    if (refused) {
        const QString message = *refused + QStringLiteral(": nothing was written");
        log(QStringLiteral("Save to Module by COM Port: ") + message);
        endJournal(QStringLiteral("refused: no backup"));
        showError(this, message);
        return;
    }
    const DirectWriteResult result = writeDirectSettings(channel, journal.written());
    endJournal(result.ok() ? QStringLiteral("written") : QStringLiteral("failed: ") + result.reason);
    if (!result.ok())
        showException(this, result.reason);
}

}  // namespace quillmar
