#pragma once
// What the COM-port tool (TForm1) and the USB tool (TForm2) share: one window
// layout of boxes and radio groups for a printer's settings record, the
// radio-group rules that keep the dependent choices consistent, filling the
// boxes from a record that was read and the box texts a save writes, and the
// hidden controls with their handlers. The two tools add their transport.
#include <QWidget>
#include <memory>
#include <optional>

#include "comm/direct_settings.h"
#include "record/device_entry.h"
#include "tools/settings_tool_context.h"
#include "tools/tool_record.h"
#include "write/cable_write.h"
#include "write/write_plan.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quillmar {

class IpAddressEdit;
class MSComm;
class ProgramLauncher;
class RadioGroup;
class TNMUDP;

class SettingsToolForm : public QWidget {
    Q_OBJECT
public:
    ~SettingsToolForm() override;

    // True while a read or save runs: the window keeps painting, but a second
    // exchange is not started and a close waits for the end.
    bool exchangeRunning() const { return exchangeRunning_; }
    // The address box exists between the showing and the closing.
    IpAddressEdit* addressBox() const { return addressBox_; }
    // Where the hidden "UDP GET" asks.
    void setUdpGetHost(const QString& host) { udpGetHost_ = host; }

signals:
    // A read or save has ended (after its messages were answered).
    void exchangeFinished();

public slots:
    void FormClose();
    void RadioGroup3Click();
    void RadioGroup4Click();
    void RadioGroup1Click();
    void RadioGroup2Click();
    void ComBox_comChange();
    void ComBox_baudChange();
    void Button7Click();
    void Button8Click();
    // The hidden controls.
    void Button3Click();
    void Button4Click();
    void NMUDP1DataReceived(int NumberBytes, const QString& FromIP, int Port);
    void Button1Click();
    void Button6Click();
    void NMUDP2DataReceived(int NumberBytes, const QString& FromIP, int Port);
    void BitBtn1Click();
    void BitBtn3Click();

protected:
    // `boxOrigin`: where the first box of the right-hand column sits inside
    // GroupBox1; the address box is the fourth row.
    SettingsToolForm(SettingsToolContext context, const QString& title, QPoint boxOrigin);

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // Creates the address box over Edit4, in the Tab order after Edit7.
    void createAddressBox();
    // Lists COM1 ... COM9 with their devices, those that are there first, and
    // selects `port`.
    void fillComPortChoices(int port);
    // The COM port a choice box stands for; 1 when nothing is chosen.
    static int comPortOfChoice(const QComboBox* box);
    // "<message>\n\n<device>: <reason>", the device left out when the
    // reason names it already (`shortName`, "COM3") or there is none.
    static QString withReason(const QString& message, const QString& device, const QString& shortName,
                              const QString& reason);
    // RadioGroup3 may be changed only under the -p start option.
    void applyIpModeOption();
    // Fills every box and choice from a record that was read, then covers the
    // key box that does not apply.
    void fillFromRecord(const DeviceEntry& record);
    // After a read that found nothing: the WPA key box is covered and the
    // authentication choices start again from "OPEN".
    void showReadFailure();
    // What the boxes hold now; the address text is Edit4's.
    ToolBoxTexts boxTexts() const;
    // After a read has filled (or not filled) the boxes: a read a save may
    // start from is kept with what the boxes showed; any other read forgets
    // the one kept before, and one that was shown says why in the log.
    void keepRead(const DirectReadResult& result);
    // Why a save to `device` may not start, for the log; nothing when the
    // record read from `device` is kept. An empty `device` matches the device
    // of the kept read (USB: the printer is matched as it is opened).
    std::optional<QString> readFirstRefusal(const QString& device) const;
    // The device the kept read came from; empty when none is kept.
    QString readDevice() const { return lastRead_ ? lastRead_->device : QString(); }
    // What a save sets: the boxes changed since the kept read showed them, for
    // the printer that read found (its MAC), by the tools' rules. Nothing,
    // after telling the user why, when a changed box holds what the record
    // cannot take. Only after readFirstRefusal said nothing.
    std::optional<WriteRequest> saveRequest();
    // The end of a save through writeOverCable: the audit log's failure is
    // logged, and a written record is what the next save starts from. False
    // when nothing was written; the caller tells the user.
    bool keepWritten(const CableWrite& write);
    // Asked by the write once it is planned: a network this PC's Wi-Fi does
    // not see, or sees with other security, goes only on the user's Yes.
    BeforeCableWrite wifiQuestion(const WriteRequest& request);
    // Tells the user why a save wrote nothing, in the tool's own kind of box.
    virtual void refuseSave(const QString& message) = 0;
    // Button8Click's two halves: "BAUDSET.DAT" written (false after telling
    // why not), and the message that the defaults were saved.
    bool storeBaudDefault();
    void showDefaultsSaved();
    // The box texts a save writes: Edit4 takes the address box's text first.
    ToolBoxTexts saveTexts();
    // The box that does not apply to the shown encryption is covered.
    void coverKeyBox();
    void log(const QString& line) const;
    // Runs one exchange with the read and save buttons disabled; a close asked
    // for meanwhile happens afterwards.
    void runExchange(const std::function<void()>& exchange);
    // Keeps the window painting while an exchange waits.
    static void keepPainting();

    const SettingsToolContext& context() const { return context_; }
    // Where the remembered port or rate is read from (settings_file.h).
    QString settingsFile(const char* name) const;

    // Visible controls.
    QLabel* Label52 = nullptr;
    QComboBox* ComBox_com = nullptr;
    QLabel* Label17 = nullptr;
    QComboBox* ComBox_baud = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button2 = nullptr;
    RadioGroup* RadioGroup3 = nullptr;
    RadioGroup* RadioGroup4 = nullptr;
    RadioGroup* RadioGroup1 = nullptr;
    RadioGroup* RadioGroup2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit9 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLineEdit* Edit13 = nullptr;
    QLineEdit* Edit11 = nullptr;
    QLineEdit* Edit12 = nullptr;
    QLineEdit* Edit16 = nullptr;
    QLineEdit* Edit17 = nullptr;

    // Hidden controls.
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit18 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label16 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QWidget* Panel1 = nullptr;
    QLineEdit* Edit14 = nullptr;
    QLineEdit* Edit15 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button6 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    TNMUDP* NMUDP1 = nullptr;
    TNMUDP* NMUDP2 = nullptr;
    std::unique_ptr<MSComm> MSComm1;

private:
    void buildControls();
    void buildChoices();
    void buildBoxes();
    void buildHiddenControls();
    void connectHandlers();
    // Tab follows the layout: the port rows and buttons, the radio groups,
    // then the boxes of the right-hand column from the top.
    void orderTabStops();
    // A box under a mask takes no focus, by Tab or by click.
    void setMasks(bool coverWepKey, bool coverWpaKey);
    // Selects the item equal to a non-empty coded text (ignoring case) and shows
    // the text in its box; an empty text leaves both as they are.
    void fillChoice(RadioGroup* group, QLineEdit* box, const QString& text);
    // The bootloader update buttons: `command` tells the loader what comes.
    void startBootloaderUpdate(const QByteArray& command);
    ProgramLauncher& launcher();

    // The last read that a save may start from, and what it showed.
    struct KeptRead {
        QString device;
        DeviceEntry record;
        ToolBoxTexts shown;
    };

    SettingsToolContext context_;
    QPoint boxOrigin_;
    std::optional<KeptRead> lastRead_;
    // The address guard of the save under way.
    WriteGuard saveGuard_;
    std::unique_ptr<ProgramLauncher> ownLauncher_;
    IpAddressEdit* addressBox_ = nullptr;
    bool exchangeRunning_ = false;
    bool closeAfterExchange_ = false;
    QString udpGetHost_;
    // The sender of the last datagram NMUDP1 received; "UDP SET" answers it.
    QString lastUdpSender_;
};

}  // namespace quillmar
