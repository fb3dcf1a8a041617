#pragma once
// Asks for the one address a search by IP goes to, or for a range of
// addresses (a network behind a router: "192.0.2.0/24" or "A-B"), each of
// which is then asked. Created once at start-up; the address input is made
// new, and the range emptied, each time the dialog shows.
#include <QDialog>
#include <QPointer>

#include "ui/ip_address_edit.h"

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace quillmar {

class TsIPDlg : public QDialog {
    Q_OBJECT
public:
    enum State { Accepted = 1, Cancelled = 2, Checking = 5 };

    explicit TsIPDlg(QWidget* parent = nullptr);

    // The accepted address, "%u.%u.%u.%u", or range ("192.0.2.0/24",
    // "192.0.2.10-192.0.2.60"); empty unless OK accepted one.
    QString addressText() const { return address_; }
    int state() const { return state_; }
    IpAddressEdit* addressEdit() const { return address_edit_; }
    QLineEdit* rangeEdit() const { return Edit_range; }

public slots:
    void OKBtnClick();
    void CancelBtnClick();

public:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Edit_rangeChange(const QString& text);

    QGroupBox* GrpBox_ip = nullptr;
    QGroupBox* GrpBox_range = nullptr;
    QLineEdit* Edit_range = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPointer<IpAddressEdit> address_edit_;
    QString address_;
    int state_ = Cancelled;
};

}  // namespace quillmar
