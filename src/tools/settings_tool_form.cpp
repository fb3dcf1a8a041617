// The settings tools' shared behaviour: the radio-group rules applied to the
// window, filling the boxes from a record, the texts a save takes, the port and
// rate choices with their defaults files, and one exchange at a time.
#include "tools/settings_tool_form.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "comm/serial_control.h"
#include "comm/udp_endpoint.h"
#include "config/wifi_question.h"
#include "platform/program_launcher.h"
#include "platform/settings_file.h"
#include "record/program_flags.h"
#include "tools/settings_tool_rules.h"
#include "ui/accessible_names.h"
#include "ui/ip_address_edit.h"
#include "ui/prompter.h"
#include "ui/radio_group.h"
#include "write/change_text.h"
#include "write/form_changes.h"

namespace quillmar {

SettingsToolForm::~SettingsToolForm() = default;

void SettingsToolForm::connectHandlers()
{
    connect(RadioGroup3, &RadioGroup::clicked, this, &SettingsToolForm::RadioGroup3Click);
    connect(RadioGroup4, &RadioGroup::clicked, this, &SettingsToolForm::RadioGroup4Click);
    connect(RadioGroup1, &RadioGroup::clicked, this, &SettingsToolForm::RadioGroup1Click);
    connect(RadioGroup2, &RadioGroup::clicked, this, &SettingsToolForm::RadioGroup2Click);
    connect(ComBox_com, &QComboBox::activated, this, &SettingsToolForm::ComBox_comChange);
    connect(ComboBox1, &QComboBox::activated, this, &SettingsToolForm::ComBox_comChange);
    connect(ComBox_baud, &QComboBox::activated, this, &SettingsToolForm::ComBox_baudChange);
    connect(Button7, &QPushButton::clicked, this, &SettingsToolForm::Button7Click);
    connect(Button3, &QPushButton::clicked, this, &SettingsToolForm::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &SettingsToolForm::Button4Click);
    connect(Button1, &QPushButton::clicked, this, &SettingsToolForm::Button1Click);
    connect(Button6, &QPushButton::clicked, this, &SettingsToolForm::Button6Click);
    connect(BitBtn1, &QPushButton::clicked, this, &SettingsToolForm::BitBtn1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &SettingsToolForm::BitBtn3Click);
    NMUDP1->OnDataReceived = [this](TNMUDP*, int count, const QString& from, int port) {
        NMUDP1DataReceived(count, from, port);
    };
    NMUDP2->OnDataReceived = [this](TNMUDP*, int count, const QString& from, int port) {
        NMUDP2DataReceived(count, from, port);
    };
}

QString SettingsToolForm::settingsFile(const char* name) const
{
    return settingsFilePath(context_.workingDirectory, QString::fromLatin1(name));
}

void SettingsToolForm::log(const QString& line) const
{
    if (context_.log)
        context_.log(line);
}

ProgramLauncher& SettingsToolForm::launcher()
{
    if (context_.launcher)
        return *context_.launcher;
    if (!ownLauncher_)
        ownLauncher_ = std::make_unique<ProcessLauncher>();
    return *ownLauncher_;
}

void SettingsToolForm::keepPainting()
{
    // Paint and timer events only: a click meanwhile waits for the exchange's end.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SettingsToolForm::runExchange(const std::function<void()>& exchange)
{
    if (exchangeRunning_)
        return;
    // The buttons come back however the exchange ends.
    struct Running {
        SettingsToolForm& form;
        explicit Running(SettingsToolForm& running) : form(running) { setRunning(true); }
        ~Running() { setRunning(false); }
        void setRunning(bool running)
        {
            form.exchangeRunning_ = running;
            form.Button5->setEnabled(!running);
            form.Button2->setEnabled(!running);
        }
    };
    {
        Running running(*this);
        exchange();
    }
    emit exchangeFinished();
    if (closeAfterExchange_) {
        closeAfterExchange_ = false;
        close();
    }
}

void SettingsToolForm::keyPressEvent(QKeyEvent* event)
{
    // Escape closes the tool as its close box does (after an exchange under way).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SettingsToolForm::closeEvent(QCloseEvent* event)
{
    if (exchangeRunning_) {
        closeAfterExchange_ = true;
        event->ignore();
        return;
    }
    FormClose();
    QWidget::closeEvent(event);
}

void SettingsToolForm::FormClose()
{
    delete addressBox_;
    addressBox_ = nullptr;
}

void SettingsToolForm::createAddressBox()
{
    FormClose();
    addressBox_ = new IpAddressEdit(GroupBox1);
    addressBox_->setObjectName(QStringLiteral("IpAddress"));
    // As wide as Edit7 and two pixels taller, where Edit4 lies.
    addressBox_->setGeometry(Edit4->x(), Edit4->y(), Edit7->width(), Edit7->height() + 2);
    addressBox_->setEnabled(Edit4->isEnabled());
    nameInput(addressBox_, QStringLiteral("IP Address"));
    addressBox_->show();
    orderTabStops();
}

void SettingsToolForm::applyIpModeOption()
{
    RadioGroup3->setEnabled(programFlags().allowIpModeFlag);
}

void SettingsToolForm::RadioGroup3Click()
{
    Edit7->setText(RadioGroup3->selectedText());
    const bool isStatic = RadioGroup3->itemIndex() == 0;
    Edit4->setEnabled(isStatic);
    if (addressBox_)
        addressBox_->setEnabled(isStatic);
}

void SettingsToolForm::RadioGroup4Click()
{
    Edit8->setText(RadioGroup4->selectedText());
    RadioGroup1->setItems(toolAuthItemsFor(RadioGroup4->selectedText()));
    RadioGroup1->setItemIndex(0);
}

void SettingsToolForm::RadioGroup1Click()
{
    Edit11->setText(RadioGroup1->selectedText());
    RadioGroup2->setItems(toolEncryItemsFor(RadioGroup1->selectedText()));
    RadioGroup2->setItemIndex(0);
}

void SettingsToolForm::RadioGroup2Click()
{
    Edit12->setText(RadioGroup2->selectedText());
    coverKeyBox();
}

void SettingsToolForm::coverKeyBox()
{
    const bool coversWpa = toolCoversWpaKey(Edit12->text());
    setMasks(!coversWpa, coversWpa);
}

QString SettingsToolForm::withReason(const QString& message, const QString& device, const QString& shortName,
                                     const QString& reason)
{
    if (reason.isEmpty())
        return message;
    const bool named = device.isEmpty() || (!shortName.isEmpty() && reason.startsWith(shortName));
    return message + QStringLiteral("\n\n") + (named ? QString() : device + QStringLiteral(": ")) + reason;
}

void SettingsToolForm::fillChoice(RadioGroup* group, QLineEdit* box, const QString& text)
{
    if (text.isEmpty())
        return;
    // Selecting another item runs the group's handler, which rebuilds the next
    // group's items; the fill order relies on it.
    group->setItemIndex(toolItemMatching(group->items(), text));
    box->setText(text);
}

void SettingsToolForm::fillFromRecord(const DeviceEntry& record)
{
    const ToolBoxTexts texts = toolTextsFromRecord(record);
    Edit1->setText(texts.modelName);
    Edit2->setText(texts.deviceName);
    Edit3->setText(texts.macAddress);
    Edit4->setText(texts.addressText);
    if (addressBox_) {
        if (texts.addressText.isEmpty())
            addressBox_->clear();
        else
            addressBox_->setValue(texts.addressValue);
    }
    Edit5->setText(texts.tcpPort);
    Edit6->setText(texts.udpPort);
    fillChoice(RadioGroup3, Edit7, texts.ipMode);
    if (texts.ipMode == QLatin1String("STATIC") || texts.ipMode == QLatin1String("DHCP"))
        applyIpModeOption();
    fillChoice(RadioGroup4, Edit8, texts.wifiMode);
    Edit9->setText(texts.ssid);
    Edit10->setText(texts.wepKey);
    fillChoice(RadioGroup1, Edit11, texts.authMode);
    fillChoice(RadioGroup2, Edit12, texts.encryType);
    Edit13->setText(texts.wpaPsk);
    coverKeyBox();
}

void SettingsToolForm::showReadFailure()
{
    setMasks(Edit16->isVisibleTo(this), true);
    RadioGroup1->setItems(toolFallbackAuthItems());
    RadioGroup1->setItemIndex(0);
}

ToolBoxTexts SettingsToolForm::boxTexts() const
{
    ToolBoxTexts texts;
    texts.modelName = Edit1->text();
    texts.deviceName = Edit2->text();
    texts.macAddress = Edit3->text();
    texts.addressValue = addressBox_ ? addressBox_->value() : 0;
    texts.addressText = Edit4->text();
    texts.tcpPort = Edit5->text();
    texts.udpPort = Edit6->text();
    texts.ipMode = Edit7->text();
    texts.wifiMode = Edit8->text();
    texts.ssid = Edit9->text();
    texts.wepKey = Edit10->text();
    texts.authMode = Edit11->text();
    texts.encryType = Edit12->text();
    texts.wpaPsk = Edit13->text();
    return texts;
}

void SettingsToolForm::keepRead(const DirectReadResult& result)
{
    lastRead_.reset();
    if (result.mayBeWrittenBack()) {
        lastRead_ = KeptRead{result.device, result.record, boxTexts()};
        return;
    }
    const bool shown = result.ok() || result.outcome == DirectReadOutcome::BlankRecord;
    if (!shown)
        return;
    const QString why = result.outcome == DirectReadOutcome::BlankRecord ? result.reason
                        : result.asksToReadAgain() ? QStringLiteral("the printer asked for the read to be repeated")
                                                   : QStringLiteral("the reply held %1 of the record's %2 bytes")
                                                         .arg(result.recordBytes)
                                                         .arg(kDeviceEntrySize);
    log(QStringLiteral("READ SETTING on %1: %2; it is not written back").arg(result.device, why));
}

std::optional<QString> SettingsToolForm::readFirstRefusal(const QString& device) const
{
    if (!lastRead_)
        return QStringLiteral("no whole record that parses was read in this window since the last failed read");
    if (!device.isEmpty() && device != lastRead_->device)
        return QStringLiteral("the settings shown were read on %1, not %2").arg(lastRead_->device, device);
    return std::nullopt;
}

std::optional<WriteRequest> SettingsToolForm::saveRequest()
{
    WriteRequest request;
    request.chosenMac = lastRead_->record.text(DeviceField::MacAddress).substr(0, kMacCompareLength);
    request.changes = toolChanges(lastRead_->shown, saveTexts());
    request.rules = &toolFieldRules();
    if (const std::optional<QString> refused = checkFieldChanges(*request.rules, request.changes)) {
        log(QStringLiteral("SAVE SETTING on %1 refused: %2").arg(lastRead_->device, *refused));
        refuseSave(*refused + QStringLiteral(": nothing was written"));
        return std::nullopt;
    }
    saveGuard_ = listedPrintersGuard(context_.listedPrinters ? context_.listedPrinters() : std::vector<CensusModule>{});
    request.guard = &saveGuard_;
    return request;
}

bool SettingsToolForm::keepWritten(const CableWrite& write)
{
    if (write.auditFailure)
        log(QStringLiteral("audit log: ") + *write.auditFailure);
    if (!write.written()) {
        const QString how = write.outcome == CableWrite::Outcome::Failed         ? QStringLiteral(" failed")
                            : write.outcome == CableWrite::Outcome::NotConfirmed ? QString()
                                                                                 : QStringLiteral(" refused");
        log(QStringLiteral("SAVE SETTING on %1%2: %3").arg(write.device, how, write.message));
        return false;
    }
    log(QStringLiteral("SAVE SETTING on %1: written%2")
            .arg(write.device,
                 write.plan->changes().empty()
                     ? QString()
                     : QStringLiteral("; ") + changeLines(write.plan->changes()).join(QStringLiteral("; "))));
    lastRead_ = KeptRead{write.device, write.plan->record, boxTexts()};
    return true;
}

BeforeCableWrite SettingsToolForm::wifiQuestion(const WriteRequest& request)
{
    return askWhenWifiInDoubt(this, context().wifiSurvey, request.changes, QStringLiteral("SAVE SETTING"),
                              [this](const QString& line) { log(line); });
}

ToolBoxTexts SettingsToolForm::saveTexts()
{
    Edit4->setText(addressBoxText(addressBox_ ? addressBox_->value() : 0));
    return boxTexts();
}

void SettingsToolForm::ComBox_comChange()
{
    const auto* box = qobject_cast<const QComboBox*>(sender());
    try {
        MSComm1->setCommPort(comPortOfChoice(box ? box : ComBox_com));
    } catch (const MSCommError& error) {
        showException(this, QString::fromLocal8Bit(error.what()));
    }
    settingsToolState().comPort = MSComm1->CommPort();
}

void SettingsToolForm::ComBox_baudChange()
{
    const int index = ComBox_baud->currentIndex();
    const std::optional<QString> settings = toolSerialSettingsForItem(index);
    if (!settings)
        return;
    try {
        MSComm1->setSettings(*settings);
    } catch (const MSCommError& error) {
        showException(this, QString::fromLocal8Bit(error.what()));
        return;
    }
    settingsToolState().baudIndex = index;
}

void SettingsToolForm::Button7Click()
{
    settingsToolState().comPort = MSComm1->CommPort();
    if (!writeToolNumberFile(settingsFileToWrite(context_.workingDirectory, QString::fromLatin1(kComSetFile)),
                             comPortOfChoice(ComBox_com)))
        showStopError(this, QStringLiteral("Can't save default com port setting !!"));
}

void SettingsToolForm::Button8Click()
{
    if (storeBaudDefault())
        showDefaultsSaved();
}

bool SettingsToolForm::storeBaudDefault()
{
    if (!writeToolNumberFile(settingsFileToWrite(context_.workingDirectory, QString::fromLatin1(kBaudSetFile)),
                             ComBox_baud->currentIndex())) {
        showStopError(this, QStringLiteral("Can't save default BAUD RATE setting !!"));
        return false;
    }
    return true;
}

void SettingsToolForm::showDefaultsSaved()
{
    showInformation(this, QStringLiteral("Save default com port setting OK !!"), PromptIcon::Information);
}

}  // namespace quillmar
