#pragma once
// Asks for the one address a search by IP goes to. Created once at start-up;
// the address input is made new each time the dialog shows.
#include <QDialog>
#include <QPointer>

#include "ui/ip_address_edit.h"

class QGroupBox;
class QPushButton;

namespace quillmar {

class TsIPDlg : public QDialog {
    Q_OBJECT
public:
    enum State { Accepted = 1, Cancelled = 2, Checking = 5 };

    explicit TsIPDlg(QWidget* parent = nullptr);

    // The accepted address, "%u.%u.%u.%u"; empty unless OK accepted one.
    QString addressText() const { return address_; }
    int state() const { return state_; }
    IpAddressEdit* addressEdit() const { return address_edit_; }

public slots:
    void OKBtnClick();
    void CancelBtnClick();

public:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QGroupBox* GrpBox_ip = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPointer<IpAddressEdit> address_edit_;
    QString address_;
    int state_ = Cancelled;
};

}  // namespace quillmar
