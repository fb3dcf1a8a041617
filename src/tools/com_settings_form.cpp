#include "tools/com_settings_form.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "comm/com_settings_channel.h"
#include "platform/com_port_map.h"
#include "tools/settings_tool_rules.h"
#include "tools/tool_record.h"
#include "ui/prompter.h"
#include "write/cable_write.h"

namespace quillmar {

TForm1::TForm1(SettingsToolContext context)
    : SettingsToolForm(std::move(context), QStringLiteral("Quillmar WI-FI POS Printer Manager v1.10 (by COMPort)"),
                       QPoint(4, 17))
{
    setObjectName(QStringLiteral("Form1"));
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
}

void TForm1::showEvent(QShowEvent* event)
{
    SettingsToolForm::showEvent(event);
    // The window appears first; the read and whatever it reports follow.
    if (!event->spontaneous())
        QTimer::singleShot(0, this, &TForm1::FormShow);
}

void TForm1::FormShow()
{
    // Choosing here does not run the choice handlers: the serial control keeps
    // its port until an exchange sets it.
    SettingsToolState& state = settingsToolState();
    state.comPort = readComPortFile(settingsFile(kComSetFile)).value_or(kDefaultToolComPort);
    // Which devices are there may have changed since the window was made.
    fillComPortChoices(state.comPort);
    state.baudIndex = readBaudIndexFile(settingsFile(kBaudSetFile)).value_or(kDefaultToolBaudIndex);
    ComBox_baud->setCurrentIndex(state.baudIndex);
    createAddressBox();
    applyIpModeOption();
    Button5Click();
}

void TForm1::Button5Click()
{
    runExchange([this] {
        ComSettingsChannel channel(*MSComm1, settingsToolState().comPort);
        const DirectReadResult result = readDirectSettings(channel, &SettingsToolForm::keepPainting, context().timing);
        const QString port = comPortLabel(settingsToolState().comPort);
        switch (result.outcome) {
        case DirectReadOutcome::RecordRead:
            fillFromRecord(result.record);
            break;
        case DirectReadOutcome::NoReply:
        case DirectReadOutcome::NotARecord:
        case DirectReadOutcome::BlankRecord:
            Label15->setText(firstBytesText(result.record));
            log(QStringLiteral("READ SETTING on %1: %2").arg(result.device, result.reason));
            showStopError(this, withReason(QStringLiteral("Invalid data packing timeout,\nPlease connect device to "
                                                          "default Setting COM Port !!"),
                                           port, result.device, result.reason));
            showReadFailure();
            break;
        case DirectReadOutcome::NoDevice:
        case DirectReadOutcome::Failed:
            log(QStringLiteral("READ SETTING on %1 failed: %2").arg(result.device, result.reason));
            showErrorDialog(this,
                            withReason(QStringLiteral("input format error !"), port, result.device, result.reason));
            break;
        }
        keepRead(result);
    });
}

void TForm1::refuseSave(const QString& message)
{
    showStopError(this, message);
}

void TForm1::Button2Click()
{
    // The port the save writes to is the one this window's control was last
    // set to, by a read or a choice; the record must have been read there.
    const int port = MSComm1->CommPort();
    const QString device = ComSettingsChannel(*MSComm1, port).deviceName();
    if (const std::optional<QString> refusal = readFirstRefusal(device)) {
        log(QStringLiteral("SAVE SETTING on %1 refused: %2").arg(device, *refusal));
        showStopError(this, kReadFirstMessage);
        return;
    }
    Button7Click();
    // That the defaults were saved is told after the write, so that it is not
    // taken for the write's own success before the write has happened.
    const bool baudSaved = storeBaudDefault();
    std::optional<WriteRequest> request = saveRequest();
    if (!request)
        return;
    runExchange([this, &request, port, baudSaved] {
        ComSettingsChannel channel(*MSComm1, port);
        const CableWrite write = writeOverCable(channel, *request, QStringLiteral("com tool save"),
                                                &SettingsToolForm::keepPainting, context().timing,
                                                wifiQuestion(*request));
        if (keepWritten(write)) {
            if (baudSaved)
                showDefaultsSaved();
        } else if (write.outcome == CableWrite::Outcome::NotConfirmed) {
            // The user said no to it: nothing more to tell.
        } else if (write.outcome == CableWrite::Outcome::Failed) {
            showException(this, write.message);
        } else {
            refuseSave(write.message + QStringLiteral(": nothing was written"));
        }
    });
}

}  // namespace quillmar
