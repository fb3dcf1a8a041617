#pragma once
// The password dialog, in two uses.
//   - The access password dialog: asks for one of two fixed passwords, gives
//     three tries, and returns the user to a configuration window. One
//     instance is made at start-up and reused; it is shown without blocking.
//   - A printer's maintenance password, when the printer refused the log-in
//     of an upgrade: asked modally, with "Remember", which keeps the password
//     in the desktop's secret store for that printer (by its MAC), where the
//     next upgrade and quillmar-cli --password-from-keyring find it.
#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillmar {

// What the user gave for a printer's password.
struct DevicePasswordAnswer {
    QString password;
    bool remember = false;
};

class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    // The access password dialog. `returnWindow` gives the window to show
    // when the dialog is done (the newest configuration window); it may give
    // null.
    explicit TPasswordDlg(std::function<QWidget*()> returnWindow, QWidget* parent = nullptr);
    // The maintenance password of the printer `device` names; "Remember"
    // starts ticked when the store already keeps one for it.
    TPasswordDlg(const QString& device, bool remembered, QWidget* parent = nullptr);

    bool asksDevicePassword() const { return Remember != nullptr; }
    // What was typed, and whether "Remember" is ticked (the maintenance password's use).
    DevicePasswordAnswer deviceAnswer() const;

    static constexpr int kAllowedTries = 3;

    int wrongTries() const { return wrongTries_; }

public slots:
    void FormShow();
    void FormActivate();
    void OKBtnClick();
    void CancelBtnClick();
    // Escape works as "Cancel".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls(const QSize& size, int editTop);
    void returnToConfigWindow();

    // Found by their object names (findChild), as every window's controls are.
    QLabel* Label1 = nullptr;
    QLineEdit* Password = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    // The maintenance password's use only: the printer, and "Remember".
    QLabel* Label2 = nullptr;
    QCheckBox* Remember = nullptr;

    std::function<QWidget*()> returnWindow_;
    int wrongTries_ = 0;
};

// True for the two access passwords, compared exactly.
bool isAccessPassword(const QString& text);

// Asks modally for the maintenance password of the printer `device` names;
// nothing when the user cancels.
std::optional<DevicePasswordAnswer> askDevicePassword(QWidget* parent, const QString& device, bool remembered);

}  // namespace quillmar
