// The configuration window's saves: "Save to Module" over UDP with its timed
// check, the read request of "ReFresh", and the save by COM port.
#include <QCheckBox>
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
#include "config/save_result_form.h"
#include "config/several_printers.h"
#include "config/validation_rules.h"
#include "config/wifi_question.h"
#include "record/device_entry.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"
#include "ui/prompter.h"
#include "write/cable_write.h"
#include "write/change_text.h"
#include "write/fleet_verdict.h"
#include "write/form_changes.h"
#include "write/previewed_save.h"
#include "write/wifi_check.h"
#include "write/write_plan.h"

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

// One setting for every configuration window of the run.
bool previewSetting = true;

// "Kitchen (00-1F-7C-00-02-14) at 192.0.2.20" for a record and where it answered.
QString printerOf(const DeviceEntry& record, const QString& address)
{
    return printerText(fromSingleByte(record.text(DeviceField::DeviceName)),
                       fromSingleByte(record.text(DeviceField::MacAddress).substr(0, kMacCompareLength)), address);
}

QString changesBlock(const std::vector<ChangedField>& changes)
{
    if (changes.empty())
        return QStringLiteral("No field changes: the printer holds these settings already.");
    return changeLines(changes).join(u'\n');
}

}  // namespace

bool TcfgForm::previewBeforeSave()
{
    return previewSetting;
}

void TcfgForm::setPreviewBeforeSave(bool preview)
{
    previewSetting = preview;
}

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

    void showAnsweredRecord(const DeviceEntry& answer) override { form_.showRecordTexts(answer); }

    void saveConfirmed() override
    {
        const DeviceEntry written = write_ ? write_->plan().record : DeviceEntry{};
        const bool planned = write_ && !write_->plan().refused();
        if (planned) {
            const WritePlan& plan = write_->plan();
            log(QStringLiteral("%1: %2%3")
                    .arg(QLatin1String(kSaveConfirmed), printerOf(plan.record, form_.saveExchange().probeAddress()),
                         plan.changes().empty()
                             ? QString()
                             : QStringLiteral("; ") + changeLines(plan.changes()).join(QStringLiteral("; "))));
        }
        endJournal(QStringLiteral("confirmed"));
        form_.abortBtn->setText(QStringLiteral("Exit"));
        form_.abortBtn->setEnabled(true);
        // The window stays usable for another save, to the module where it now is.
        form_.saveModuleBtn->setEnabled(true);
        form_.Button1->setEnabled(true);
        if (planned) {
            form_.showWrittenRecord(written);
            form_.readBackWritten(written);
        }
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

    // A save starts: its account is kept from the read on, keyed to the
    // printer the window is for.
    void beginJournal()
    {
        WritePlan unplanned;
        unplanned.mac = form_.chosenMacAddress();
        write_ = std::make_unique<PlannedWrite>(kOperation, form_.targetIpText(), unplanned);
    }

    // The answer to the opening read, planned as every write is: it must be
    // the printer this window is for, and only the boxes the user changed go
    // into the record as read, once that is backed up.
    std::optional<DeviceEntry> planSave(const QByteArray& answer, const std::vector<FieldChange>& changes)
    {
        WriteRequest request;
        request.chosenMac = form_.chosenMacAddress();
        request.where = form_.targetIpText();
        request.answeredAt = parseIpv4(form_.targetIpText().toStdString());
        request.changes = changes;
        request.rules = &recordFieldRules();
        WriteGuard guard = form_.writeGuard();
        request.guard = &guard;
        write_ = std::make_unique<PlannedWrite>(kOperation, form_.targetIpText(), planWrite(request, answer));
        const WritePlan plan = write_->plan();
        if (plan.refused()) {
            endJournal(QStringLiteral("refused: ") + plan.refusal);
            refuse(plan.refusal);
            return std::nullopt;
        }
        // A network this PC's Wi-Fi does not see, or sees offering other
        // security, is one the printer may never join: sent only on an
        // explicit Yes. What could not be checked goes on, and is said.
        std::optional<WifiCheck> wifi;
        if (wifiCheckNeeded(changes, plan.record)) {
            form_.Label53->setText(QStringLiteral("Asking what Wi-Fi this PC sees..."));
            form_.Label53->repaint();
            wifi = checkWifi(plan.record, surveyWith(form_.context().wifiSurvey));
            form_.Label53->clear();
        }
        const bool doubtful = wifi && wifi->refuses();
        const QString printer = printerOf(plan.read.value_or(plan.record), form_.targetIpText());
        // The changes are shown before anything is written, in the question
        // that asks to go on; Enter goes on, unless the network is in doubt.
        if ((TcfgForm::previewBeforeSave() && plan.read) || doubtful) {
            QString question = QStringLiteral("Save to Module: %1\n\n%2").arg(printer, changesBlock(plan.changes()));
            if (wifi)
                question += u'\n' + wifiCheckLine(*wifi);
            question += doubtful ? QStringLiteral("\n\nSend anyway?") : QStringLiteral("\n\nSave these changes?");
            const bool goOn = confirm(&form_, question, doubtful ? PromptAnswer::No : PromptAnswer::Yes);
            // The window may have been closed while it asked.
            if (!write_ || !form_.saveExchange().isPlanning())
                return std::nullopt;
            if (!goOn) {
                // Nothing was written: no account of a write to keep.
                write_.reset();
                form_.Label53->clear();
                usableAgain();
                log(QStringLiteral("Save to Module: not saved to %1; %2")
                        .arg(printer, doubtful ? wifi->text : QStringLiteral("the changes were not confirmed")));
                return std::nullopt;
            }
        }
        if (wifi && !wifi->refuses() && wifi->outcome != WifiCheck::Outcome::Seen)
            log(QStringLiteral("Save to Module: ") + wifi->text);
        if (const std::optional<QString> failed = write_->backUp()) {
            endJournal(QStringLiteral("refused: no backup"));
            refuse(*failed);
            return std::nullopt;
        }
        return plan.record;
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
        log(QStringLiteral("Save to Module failed: ") + reason);
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
        if (!write_)
            return;
        const std::unique_ptr<PlannedWrite> write = std::move(write_);
        if (const std::optional<QString> failed = write->finish(verdict))
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

    static inline const QString kOperation = QStringLiteral("window save");

    TcfgForm& form_;
    std::unique_ptr<PlannedWrite> write_;
};

void TcfgForm::connectSaveHandlers()
{
    saveHost_ = std::make_unique<FormSaveHost>(*this);
    saveExchange_ = std::make_unique<SaveExchange>(*saveHost_, *Timer1);

    connect(saveModuleBtn, &QPushButton::clicked, this, &TcfgForm::saveModuleBtnClick);
    connect(showKeysBtn, &QPushButton::toggled, this, &TcfgForm::showKeysBtnClick);
    connect(ChkBox_preview, &QCheckBox::clicked, this, &TcfgForm::ChkBox_previewClick);
    connect(Button1, &QPushButton::clicked, this, &TcfgForm::Button1Click);
    connect(COMsaveModuleBtn, &QPushButton::clicked, this, &TcfgForm::COMsaveModuleBtnClick);
    NMUDP2->OnDataReceived = [this](TNMUDP*, int numberBytes, const QString& fromIp, int port) {
        NMUDP2DataReceived(numberBytes, fromIp, port);
    };
}

void TcfgForm::showKeysBtnClick(bool shown)
{
    for (QLineEdit* key : {Edit_KEY, Edit_WPAPSK})
        key->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    showKeysBtn->setText(shown ? QStringLiteral("Hide") : QStringLiteral("Show"));
}

void TcfgForm::ChkBox_previewClick(bool preview)
{
    setPreviewBeforeSave(preview);
}

void TcfgForm::saveModuleBtnClick()
{
    // A read-back still waiting is of the save before; this save starts afresh.
    if (readback_)
        readback_->stop();
    if (severalPrinters()) {
        saveSeveral();
        return;
    }
    const ConfigFormValues values = formValues();
    const bool octetMissing = std::any_of(octetError_.begin(), octetError_.end(), [](int flag) { return flag == 1; });
    if (octetMissing || !isReachableModuleAddress(values.addressControlValue)) {
        showErrorDialog(this, QString::fromLatin1(kIpInputFormatError));
        return;
    }
    std::vector<FieldChange> changes = windowChanges(shownValues_, values);
    if (refusedBeforeSending(changes))
        return;
    // The probe goes to where the module was before this save.
    const QString probeAddress =
        QStringLiteral("%1.%2.%3.%4").arg(values.octets[0], values.octets[1], values.octets[2], values.octets[3]);
    auto& host = static_cast<FormSaveHost&>(*saveHost_);
    host.beginJournal();
    saveExchange_->readThenSave(probeAddress, [&host, changes = std::move(changes)](const QByteArray& answer) {
        return host.planSave(answer, changes);
    });
}

std::vector<FieldChange> TcfgForm::changedFields() const
{
    return windowChanges(shownValues_, formValues());
}

WriteGuard TcfgForm::writeGuard() const
{
    return listedPrintersGuard(context_.listedPrinters ? context_.listedPrinters() : std::vector<CensusModule>{});
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

void TcfgForm::showRecordTexts(const DeviceEntry& record)
{
    const auto text = [&record](DeviceField field) { return fromSingleByte(record.text(field)); };
    Edit_devName->setText(text(DeviceField::ModelName));
    Edit_SerialNo->setText(text(DeviceField::DeviceName));
    Edit_mac->setText(text(DeviceField::MacAddress));
    Edit_listenPort1->setText(text(DeviceField::TcpPort));
    Edit_UDPPort->setText(text(DeviceField::UdpPort));
    showBoxText(CmbBox_ipcfg, text(DeviceField::IpMode));
    showBoxText(CmbBox_WIFIMode, text(DeviceField::WifiMode));
    Edit_SSID->setText(text(DeviceField::Ssid));
    Edit_KEY->setText(text(DeviceField::Key));
    showBoxText(CmbBox_AuthMode, text(DeviceField::AuthMode));
    showBoxText(CmbBox_EncryType, text(DeviceField::EncryType));
    const QString wpaPsk = text(DeviceField::WpaPsk);
    if (!wpaPsk.isEmpty())
        Edit_WPAPSK->setText(wpaPsk);
}

void TcfgForm::showWrittenRecord(const DeviceEntry& written)
{
    // The window goes on with the module where the save put it, which its
    // block holds as the address the module answers at.
    const std::string target = saveExchange_->targetAddress().toStdString();
    for (const FieldLayout& layout : deviceFieldLayout())
        block_.setText(layout.field, layout.field == DeviceField::IpAddress ? target : written.text(layout.field));
    showRecordTexts(written);
    // A key the record no longer carries is not shown as if it did.
    Edit_WPAPSK->setText(fromSingleByte(written.text(DeviceField::WpaPsk)));
    showModuleAddress(target);
    chosenMac_ = written.text(DeviceField::MacAddress).substr(0, kMacCompareLength);
    shownValues_ = formValues();
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
    // The read-back asks the printer itself: its answer is no news for the boxes.
    if (readback_ && !readback_->isDone())
        return;
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
    WriteRequest request;
    request.chosenMac = chosenMac_;
    request.changes = changedFields();
    request.rules = &windowFieldRules();
    WriteGuard guard = writeGuard();
    request.guard = &guard;
    const CableWrite write = writeOverCable(channel, request, QStringLiteral("window com save"), {}, {},
                                            askWhenWifiInDoubt(this, context_.wifiSurvey, request.changes,
                                                               QStringLiteral("Save to Module by COM Port"),
                                                               [this](const QString& line) { log(line); }));
    if (write.auditFailure)
        log(QStringLiteral("audit log: ") + *write.auditFailure);
    switch (write.outcome) {
    case CableWrite::Outcome::Written:
        log(QStringLiteral("Save to Module by COM Port: written to %1%2")
                .arg(write.device,
                     write.plan && !write.plan->changes().empty()
                         ? QStringLiteral("; ") + changeLines(write.plan->changes()).join(QStringLiteral("; "))
                         : QString()));
        return;
    case CableWrite::Outcome::Failed:
        showException(this, write.message);
        return;
    case CableWrite::Outcome::NotConfirmed:
        log(QStringLiteral("Save to Module by COM Port: ") + write.message);
        return;
    case CableWrite::Outcome::NotRead:
    case CableWrite::Outcome::Refused:
    case CableWrite::Outcome::NoBackup:
        break;
    }
    const QString message = write.message + QStringLiteral(": nothing was written");
    log(QStringLiteral("Save to Module by COM Port: ") + message);
    showError(this, message);
}

void TcfgForm::refuseSave(const QString& message)
{
    log(QStringLiteral("Save to Module: ") + message);
    showError(this, message);
}

bool TcfgForm::refusedBeforeSending(std::vector<FieldChange>& changes)
{
    if (const std::optional<QString> refused = checkFieldChanges(recordFieldRules(), changes)) {
        refuseSave(*refused + QStringLiteral(": nothing was saved"));
        return true;
    }
    // Another program on the port would make the module answer there, or
    // store nothing.
    if (const std::optional<QString> busy = ConfigPort::shared().open()) {
        refuseSave(*busy + QStringLiteral(": nothing was sent"));
        return true;
    }
    return false;
}

}  // namespace quillmar
