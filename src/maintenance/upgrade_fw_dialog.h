#pragma once
// TupgradeFWDlg: before a firmware upgrade the user picks the serial port the
// module's loader listens on and the firmware file. Created once at start-up
// and reused, so the choices stay between upgrades. OK closes the dialog only
// when the file passes its checks; the dialog itself sends nothing to the
// printer. COM ports are listed with the device each stands for, those that
// are there first; in USB mode the list holds the USB serial adapters by path.
#include <QDialog>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillmar {

class MSComm;

class TupgradeFWDlg : public QDialog {
    Q_OBJECT
public:
    explicit TupgradeFWDlg(QWidget* parent = nullptr);
    ~TupgradeFWDlg() override;

    // Names the printer the upgrade is for ("Counter1, 00-1F-7C-00-00-01,
    // 192.0.2.10") in the dialog and its title.
    void setDeviceText(const QString& device);

    // What the starter copies into the upgrade request after OK: "COM12", or
    // in USB mode the adapter's path ("/dev/ttyUSB0").
    QString portName() const { return portName_; }
    QString filePath() const { return filePath_; }
    // The serial control's port number: follows the choices "COM1" to "COM9".
    int commPort() const { return commPort_; }

public slots:
    void FormShow();
    void CmbBox_portChange();
    void Btn_brsClick();
    void OKBtnClick();
    void CancelBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The choices as the system has them now; the one chosen before stays
    // chosen while it is offered.
    void fillPortList();

    QLabel* Label_device = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* CmbBox_port = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit_file = nullptr;
    QPushButton* Btn_brs = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    std::unique_ptr<MSComm> MSComm1;

    QString portName_;
    QString filePath_;
    int commPort_ = 1;
};

}  // namespace quillmar
