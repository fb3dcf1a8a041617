#pragma once
// The access password dialog: asks for one of two fixed passwords, gives three
// tries, and returns the user to a configuration window. One instance is made at
// start-up and reused; it is shown without blocking.
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillmar {

class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    // `returnWindow` gives the window to show when the dialog is done (the
    // newest configuration window); it may give null.
    explicit TPasswordDlg(std::function<QWidget*()> returnWindow, QWidget* parent = nullptr);

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
    void returnToConfigWindow();

    // Found by their object names (findChild), as every window's controls are.
    QLabel* Label1 = nullptr;
    QLineEdit* Password = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    std::function<QWidget*()> returnWindow_;
    int wrongTries_ = 0;
};

// True for the two access passwords, compared exactly.
bool isAccessPassword(const QString& text);

}  // namespace quillmar
