#include "tools/password_dialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "ui/prompter.h"

namespace quillmar {

namespace {

constexpr int kMaxPasswordLength = 8;

}  // namespace

bool isAccessPassword(const QString& text)
{
    return text == QLatin1String("qed24680") || text == QLatin1String("tundra57");
}

TPasswordDlg::TPasswordDlg(std::function<QWidget*()> returnWindow, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      returnWindow_(std::move(returnWindow))
{
    setObjectName(QStringLiteral("PasswordDlg"));
    setWindowTitle(QStringLiteral("Password Dialog"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    setFixedSize(233, 98);

    Label1 = new QLabel(QStringLiteral("Enter password:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(12, 8, 200, 18);

    Password = new QLineEdit(this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setGeometry(12, 28, 209, 22);
    Password->setMaxLength(kMaxPasswordLength);
    Password->setEchoMode(QLineEdit::Password);
    // The style's own mask character (a dot in most themes) is not what the
    // printers' documentation shows; each typed character is a '*'.
    Password->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(40, 62, 75, 26);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TPasswordDlg::OKBtnClick);

    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(122, 62, 75, 26);
    connect(CancelBtn, &QPushButton::clicked, this, &TPasswordDlg::CancelBtnClick);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TPasswordDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TPasswordDlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TPasswordDlg::closeEvent(QCloseEvent* event)
{
    // The title-bar close box only hides the dialog; it does not count as "Cancel".
    setResult(QDialog::Rejected);
    event->accept();
}

void TPasswordDlg::FormShow()
{
    Password->clear();
    wrongTries_ = 0;
}

void TPasswordDlg::FormActivate()
{
    Password->setFocus();
}

void TPasswordDlg::returnToConfigWindow()
{
    if (!returnWindow_)
        return;
    if (QWidget* window = returnWindow_()) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void TPasswordDlg::OKBtnClick()
{
    if (isAccessPassword(Password->text())) {
        showInformation(this, QStringLiteral("Password correct !!"));
        returnToConfigWindow();
        accept();
        return;
    }
    if (wrongTries_ < kAllowedTries - 1)
        showInformation(this, QStringLiteral("Password Wrong !!"), PromptIcon::Stop);
    ++wrongTries_;
    Password->clear();
    if (wrongTries_ >= kAllowedTries) {
        showStopError(this, QStringLiteral("Password Wrong !! You have retry 3 times !!!"));
        returnToConfigWindow();
        accept();
    }
}

void TPasswordDlg::CancelBtnClick()
{
    returnToConfigWindow();
    QDialog::reject();
}

void TPasswordDlg::reject()
{
    CancelBtnClick();
}

}  // namespace quillmar
