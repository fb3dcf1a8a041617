#pragma once
// TupgradeFWDlg: before a firmware upgrade the user picks the serial port the
// module's loader listens on and the firmware file. Created once at start-up
// and reused, so the choices stay between upgrades. OK closes the dialog only
// when the file passes its checks; the dialog itself sends nothing to the
// printer.
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

    // What the starter copies into the upgrade request after OK.
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
