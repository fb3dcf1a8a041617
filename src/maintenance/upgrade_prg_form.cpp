#include "maintenance/upgrade_prg_form.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "maintenance/maintenance_progress.h"

namespace quillmar {
namespace {

constexpr int kClientWidth = 300;
constexpr int kClientHeight = 114;
constexpr int kDeviceLineHeight = 22;
const QString kProgressCaption = QStringLiteral("progress...");

}  // namespace

TupgradePrgForm::TupgradePrgForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("upgradePrgForm"));
    setWindowTitle(kProgressCaption);
    setModal(true);

    Label_device = new QLabel(this);
    Label_device->setObjectName(QStringLiteral("Label_device"));
    Label_device->hide();

    prgMsg = new QLabel(QStringLiteral("  "), this);
    prgMsg->setObjectName(QStringLiteral("prgMsg"));

    prgBar = new QProgressBar(this);
    prgBar->setObjectName(QStringLiteral("prgBar"));
    prgBar->setRange(kPrgBarMinimum, kPrgBarMaximum);
    prgBar->setValue(kPrgBarStart);
    prgBar->setTextVisible(false);

    cancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    cancelBtn->setObjectName(QStringLiteral("cancelBtn"));
    cancelBtn->setAutoDefault(false);
    connect(cancelBtn, &QPushButton::clicked, this, &TupgradePrgForm::cancelBtnClick);
    arrange();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TupgradePrgForm::arrange()
{
    const int shift = Label_device->isHidden() ? 0 : kDeviceLineHeight;
    setFixedSize(kClientWidth, kClientHeight + shift);
    Label_device->setGeometry(16, 12, kClientWidth - 32, 18);
    prgMsg->setGeometry(16, 14 + shift, kClientWidth - 32, 18);
    prgBar->setGeometry(16, 42 + shift, kClientWidth - 32, 17);
    cancelBtn->setGeometry((kClientWidth - 75) / 2, 76 + shift, 75, 25);
}

void TupgradePrgForm::setDeviceText(const QString& device)
{
    Label_device->setText(device);
    Label_device->setVisible(!device.isEmpty());
    setWindowTitle(device.isEmpty() ? kProgressCaption : kProgressCaption + QStringLiteral(" ") + device);
    arrange();
}

QString TupgradePrgForm::deviceText() const
{
    return Label_device->text();
}

void TupgradePrgForm::prepareForWorker()
{
    setLabelText(QString());
    prgBar->setValue(kPrgBarStart);
    stepBar();
}

QString TupgradePrgForm::labelText() const
{
    return prgMsg->text();
}

int TupgradePrgForm::barPosition() const
{
    return prgBar->value();
}

void TupgradePrgForm::setLabelText(const QString& text)
{
    prgMsg->setText(text);
}

void TupgradePrgForm::setBarPosition(int position)
{
    prgBar->setValue(qBound(kPrgBarMinimum, position, kPrgBarMaximum));
}

void TupgradePrgForm::stepBar()
{
    int next = prgBar->value() + kPrgBarStep;
    if (next > kPrgBarMaximum)
        next = kPrgBarMinimum + (next - kPrgBarMaximum);
    prgBar->setValue(next);
}

void TupgradePrgForm::advanceBar(int delta)
{
    setBarPosition(prgBar->value() + delta);
}

void TupgradePrgForm::showBlocksSent(qint64 sent, qint64 total)
{
    if (total > 0)
        setBarPosition(static_cast<int>(sent * kPrgBarMaximum / total));
}

void TupgradePrgForm::closeIfVisible()
{
    if (isVisible())
        accept();
}

void TupgradePrgForm::cancelBtnClick()
{
    reject();
}

void TupgradePrgForm::setCancelCheck(std::function<bool()> mayClose)
{
    mayClose_ = std::move(mayClose);
}

// "Cancel", Escape and the close box all end here.
void TupgradePrgForm::reject()
{
    // A second press while the check is asking changes nothing.
    if (asking_)
        return;
    if (mayClose_) {
        asking_ = true;
        const bool close = mayClose_();
        asking_ = false;
        // The worker may have ended, and closed the window, meanwhile.
        if (!close || !isVisible())
            return;
    }
    QDialog::reject();
}

}  // namespace quillmar
