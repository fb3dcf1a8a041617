#include "tools/usb_settings_form.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <utility>

#include "comm/usb_settings_channel.h"
#include "record/program_flags.h"
#include "tools/same_usb_printer.h"
#include "tools/tool_record.h"
#include "ui/logo.h"
#include "ui/prompter.h"
#include "ui/radio_group.h"

namespace quillmar {
namespace {

constexpr int kWaitingSeconds = 21;
constexpr int kWaitingCountLimit = 22;

}  // namespace

TForm2::TForm2(SettingsToolContext context)
    : SettingsToolForm(std::move(context),
                       QStringLiteral("Quillmar LAN / WI-FI POS Printer Manager v1.12 (by USB Printer Class)"),
                       QPoint(5, 22))
{
    setObjectName(QStringLiteral("Form2"));
    Label52->setText(QStringLiteral("USB Dev Sn:"));
    for (QWidget* unused : std::initializer_list<QWidget*>{Label52, ComBox_com, Label17, ComBox_baud, Button7, Button8})
        unused->hide();

    // The waiting count takes the place of the port and rate rows this tool lacks.
    Label18 = new QLabel(QStringLiteral("Waiting  ...."), this);
    Label18->setObjectName(QStringLiteral("Label18"));
    Label18->setGeometry(Label17->x(), Label17->y(), 200, Label17->height());
    Label19 = new QLabel(this);
    Label19->setObjectName(QStringLiteral("Label19"));
    Label19->setGeometry(ComBox_com->geometry());
    Label19->hide();
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(quillmarLogo());
    Image1->hide();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
    connect(Button5, &QPushButton::clicked, this, &TForm2::Button5Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    FormCreate();
}

QString TForm2::usbDeviceText() const
{
    return Label19->text();
}

void TForm2::FormCreate()
{
    Timer1->stop();
    Label18->hide();
}

void TForm2::showEvent(QShowEvent* event)
{
    SettingsToolForm::showEvent(event);
    // The window appears first; the read and whatever it reports follow.
    if (!event->spontaneous())
        QTimer::singleShot(0, this, &TForm2::FormShow);
}

void TForm2::FormShow()
{
    createAddressBox();
    applyIpModeOption();
    const bool wifiChoices = programFlags().lanPrinterFlag == 0;
    for (RadioGroup* group : {RadioGroup1, RadioGroup2, RadioGroup4})
        group->setEnabled(wifiChoices);
    Button5Click();
}

void TForm2::Button5Click()
{
    runExchange([this] {
        UsbSettingsChannel channel(context().usbLocator);
        const DirectReadResult result = readDirectSettings(channel, &SettingsToolForm::keepPainting, context().timing);
        Label19->setText(result.device);
        // A blank record is shown too: a printer without settings empties the boxes.
        if (result.ok() || result.outcome == DirectReadOutcome::BlankRecord) {
            if (result.asksToReadAgain())
                showErrorDialog(this, QStringLiteral("Read USB config error,Please read again !!"));
            else
                fillFromRecord(result.record);
        } else if (result.outcome == DirectReadOutcome::Failed) {
            log(QStringLiteral("READ SETTING on USB %1 failed: %2").arg(result.device, result.reason));
            showErrorDialog(this, withReason(QStringLiteral("Get USB config error !"), printerName(result.device),
                                             QString(), result.reason));
        } else {
            log(QStringLiteral("READ SETTING on USB %1: %2").arg(result.device, result.reason));
            showErrorDialog(this, withReason(QStringLiteral("Read USB config error !"), printerName(result.device),
                                             QString(), result.reason));
            showReadFailure();
        }
        keepRead(result);
    });
}

void TForm2::refuseSave(const QString& message)
{
    showErrorDialog(this, message);
}

void TForm2::Button2Click()
{
    // The printer is matched by its serial number when the write opens it.
    if (const std::optional<QString> refusal = readFirstRefusal(QString())) {
        log(QStringLiteral("SAVE SETTING on USB refused: %1").arg(*refusal));
        showErrorDialog(this, kReadFirstMessage);
        return;
    }
    std::optional<WriteRequest> request = saveRequest();
    if (!request)
        return;
    showInformationDialog(this, QStringLiteral("About waiting 20 seconds and please check printer LED status! "));
    waitingCount_ = 0;
    savedTo_.clear();
    Label18->show();
    Timer1->start();
    runExchange([this, &request] {
        SameUsbPrinterLocator samePrinter(context().usbLocator, readDevice());
        UsbSettingsChannel channel(&samePrinter);
        const CableWrite write = writeOverCable(channel, *request, QStringLiteral("usb tool save"),
                                                &SettingsToolForm::keepPainting, context().timing,
                                                wifiQuestion(*request));
        Label19->setText(write.device);
        if (keepWritten(write)) {
            // The printer takes the settings while the count runs; its end
            // says so.
            savedTo_ = write.device;
            return;
        }
        // Nothing for the printer to take: the count ends with the exchange,
        // and the error is the last thing shown.
        stopWaiting();
        if (write.outcome == CableWrite::Outcome::NotConfirmed) {
            // The user said no to it: nothing more to tell.
        } else if (samePrinter.foundAnother()) {
            showErrorDialog(this, kReadFirstMessage);
        } else if (write.outcome == CableWrite::Outcome::Failed || write.outcome == CableWrite::Outcome::NotRead) {
            showErrorDialog(this, withReason(QStringLiteral("Save USB config error !"), printerName(write.device),
                                             QString(), write.message));
        } else {
            refuseSave(write.message + QStringLiteral(": nothing was written"));
        }
    });
}

void TForm2::stopWaiting()
{
    Timer1->stop();
    Label18->hide();
}

QString TForm2::printerName(const QString& device)
{
    return device.isEmpty() || device == QLatin1String("None") ? QString() : QStringLiteral("USB printer ") + device;
}

void TForm2::Timer1Timer()
{
    if (waitingCount_ < kWaitingCountLimit)
        ++waitingCount_;
    Label18->setText(QStringLiteral("Waiting  .... %1").arg(waitingCount_));
    if (waitingCount_ == kWaitingSeconds) {
        stopWaiting();
        if (!savedTo_.isEmpty()) {
            const QString device = std::exchange(savedTo_, QString());
            log(QStringLiteral("SAVE SETTING on USB %1: written; the printer has had %2 seconds to take it")
                    .arg(device)
                    .arg(kWaitingSeconds));
            showInformationDialog(this, QStringLiteral("Save USB config OK !\n\nThe settings were written to USB "
                                                       "printer %1; check its LED status.")
                                            .arg(device));
        }
    }
}

}  // namespace quillmar
