#include "tools/password_dialog.h"

#include <QCheckBox>
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
    buildControls(QSize(233, 98), 28);
}

TPasswordDlg::TPasswordDlg(const QString& device, bool remembered, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("DevicePasswordDlg"));
    // The access dialog's 233 pixels do not hold a printer's name and address.
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Label2->setText(QStringLiteral("The printer refused the log-in:\n%1").arg(device));
    Label2->setGeometry(12, 8, 296, 34);
    Remember = new QCheckBox(QStringLiteral("Remember"), this);
    Remember->setObjectName(QStringLiteral("ChkBox_remember"));
    Remember->setToolTip(QStringLiteral("Keep the password in the desktop's secret store for this printer"));
    Remember->setChecked(remembered);
    buildControls(QSize(320, 152), 66);
    Label1->move(12, 46);
    Remember->setGeometry(12, 92, 296, 20);
    QWidget::setTabOrder(Password, Remember);
    QWidget::setTabOrder(Remember, OKBtn);
    // An empty password is the log-in the printer refused already.
    OKBtn->setEnabled(false);
    connect(Password, &QLineEdit::textChanged, OKBtn,
            [this](const QString& text) { OKBtn->setEnabled(!text.isEmpty()); });
}

void TPasswordDlg::buildControls(const QSize& size, int editTop)
{
    setWindowTitle(QStringLiteral("Password Dialog"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    setFixedSize(size);

    Label1 = new QLabel(QStringLiteral("Enter password:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(12, editTop - 20, 200, 18);

    Password = new QLineEdit(this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setGeometry(12, editTop, size.width() - 24, 22);
    Password->setMaxLength(kMaxPasswordLength);
    Password->setEchoMode(QLineEdit::Password);
    // The style's own mask character (a dot in most themes) is not what the
    // printers' documentation shows; each typed character is a '*'.
    Password->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    const int buttonsTop = size.height() - 36;
    const int middle = size.width() / 2;
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(middle - 76, buttonsTop, 75, 26);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TPasswordDlg::OKBtnClick);

    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(middle + 6, buttonsTop, 75, 26);
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

std::optional<DevicePasswordAnswer> askDevicePassword(QWidget* parent, const QString& device, bool remembered)
{
    TPasswordDlg dialog(device, remembered, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.deviceAnswer();
}

DevicePasswordAnswer TPasswordDlg::deviceAnswer() const
{
    return DevicePasswordAnswer{Password->text(), Remember && Remember->isChecked()};
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
    // A printer's own password is the printer's to judge, at its log-in.
    if (asksDevicePassword()) {
        if (!Password->text().isEmpty())
            accept();
        return;
    }
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
