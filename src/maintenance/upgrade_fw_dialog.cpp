#include "maintenance/upgrade_fw_dialog.h"

#include <QFile>

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "comm/serial_control.h"
#include "maintenance/firmware_file_check.h"
#include "maintenance/image_kind.h"
#include "platform/com_port_map.h"
#include "record/program_flags.h"
#include "ui/accessible_names.h"
#include "ui/file_dialogs.h"
#include "ui/path_choice_box.h"
#include "ui/prompter.h"

namespace quillmar {
namespace {

const QString kCaption = QStringLiteral("Upgrade Dialog");
// The dialog's own line above the group box that names the printer.
constexpr int kDeviceLine = 26;

}  // namespace

TupgradeFWDlg::TupgradeFWDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      MSComm1(std::make_unique<MSComm>())
{
    setObjectName(QStringLiteral("upgradeFWDlg"));
    setWindowTitle(kCaption);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    setFixedSize(424, 172 + kDeviceLine);

    Label_device = new QLabel(this);
    Label_device->setObjectName(QStringLiteral("Label_device"));
    Label_device->setGeometry(12, 8, 400, 18);

    GroupBox1 = new QGroupBox(QStringLiteral("Upgrade firmware"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8 + kDeviceLine, 408, 114);

    Label1 = new QLabel(QStringLiteral("COM port:"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(12, 28, 72, 22);
    CmbBox_port = new PathChoiceBox(GroupBox1);
    CmbBox_port->setObjectName(QStringLiteral("CmbBox_port"));
    CmbBox_port->setGeometry(88, 28, 222, 22);
    fillPortList();

    Label2 = new QLabel(QStringLiteral("File:"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(12, 68, 72, 22);
    Edit_file = new QLineEdit(GroupBox1);
    Edit_file->setObjectName(QStringLiteral("Edit_file"));
    Edit_file->setGeometry(88, 68, 222, 22);
    Btn_brs = new QPushButton(QStringLiteral("Browse..."), GroupBox1);
    Btn_brs->setObjectName(QStringLiteral("Btn_brs"));
    Btn_brs->setGeometry(318, 66, 80, 26);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(240, 134 + kDeviceLine, 80, 28);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(328, 134 + kDeviceLine, 80, 28);

    nameByLabel(Label1, CmbBox_port);
    nameByLabel(Label2, Edit_file);
    connect(CmbBox_port, &QComboBox::activated, this, &TupgradeFWDlg::CmbBox_portChange);
    connect(Btn_brs, &QPushButton::clicked, this, &TupgradeFWDlg::Btn_brsClick);
    connect(OKBtn, &QPushButton::clicked, this, &TupgradeFWDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TupgradeFWDlg::CancelBtnClick);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TupgradeFWDlg::~TupgradeFWDlg() = default;

void TupgradeFWDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TupgradeFWDlg::setDeviceText(const QString& device)
{
    Label_device->setText(device);
    setWindowTitle(device.isEmpty() ? kCaption : kCaption + QStringLiteral(" \u2014 ") + device);
}

void TupgradeFWDlg::fillPortList()
{
    const QString chosen = CmbBox_port->currentData().toString();
    CmbBox_port->clear();
    if (programFlags().usbToolFlag == 1) {
        // A printer on USB brings its loader up on the cable's serial adapter.
        for (const QString& path : usbSerialPorts())
            CmbBox_port->addItem(path, path);
        CmbBox_port->setPlaceholderText(QStringLiteral("no USB serial adapter attached"));
    } else {
        for (const int port : comPortsPresentFirst(kUpgradePortCount))
            CmbBox_port->addItem(comPortLabel(port), QStringLiteral("COM%1").arg(port));
    }
    const int again = CmbBox_port->findData(chosen);
    CmbBox_port->setCurrentIndex(again >= 0 ? again : 0);
}

void TupgradeFWDlg::FormShow()
{
    // The loader listens on a serial port in USB mode too: there the port is
    // the USB cable's serial adapter, not a COM port.
    Label1->setText(programFlags().usbToolFlag == 1 ? QStringLiteral("USB port:") : QStringLiteral("COM port:"));
    nameByLabel(Label1, CmbBox_port);
    fillPortList();
    CmbBox_port->show();
}

void TupgradeFWDlg::CmbBox_portChange()
{
    if (const std::optional<int> port = commPortOfName(CmbBox_port->currentData().toString()))
        MSComm1->setCommPort(*port);
    commPort_ = MSComm1->CommPort();
}

void TupgradeFWDlg::Btn_brsClick()
{
    const QString chosen = fileDialogs().openFileName(
        this, FileDialogRequest{QStringLiteral("Open firmware file..."), QStringLiteral("*.bin"), QString()});
    if (!chosen.isEmpty())
        Edit_file->setText(chosen);
}

void TupgradeFWDlg::OKBtnClick()
{
    if (const std::optional<FirmwareFileRefusal> refusal = checkFirmwareFile(Edit_file->text())) {
        const bool errorBox = refusal->title == QLatin1String("Error");
        prompter().show(this, Prompt{PromptKind::Box, refusal->title, refusal->text,
                                     errorBox ? PromptIcon::Warning : PromptIcon::None, PromptButtons::Ok});
        return;
    }
    if (const std::optional<QString> refusal = notAnImage(QFile::encodeName(Edit_file->text()), kFirmwareImageName)) {
        showError(this, *refusal);
        return;
    }
    const QString port = CmbBox_port->currentData().toString();
    if (port.isEmpty()) {
        showError(this, QStringLiteral("no USB serial port (/dev/ttyUSB*, /dev/ttyACM*) is attached"));
        return;
    }
    filePath_ = Edit_file->text();
    portName_ = port;
    accept();
}

void TupgradeFWDlg::CancelBtnClick()
{
    reject();
}

}  // namespace quillmar
