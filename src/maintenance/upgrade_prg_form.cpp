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

}  // namespace

TupgradePrgForm::TupgradePrgForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("upgradePrgForm"));
    setWindowTitle(QStringLiteral("progress..."));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    prgMsg = new QLabel(QStringLiteral("  "), this);
    prgMsg->setObjectName(QStringLiteral("prgMsg"));
    prgMsg->setGeometry(16, 14, kClientWidth - 32, 18);

    prgBar = new QProgressBar(this);
    prgBar->setObjectName(QStringLiteral("prgBar"));
    prgBar->setGeometry(16, 42, kClientWidth - 32, 17);
    prgBar->setRange(kPrgBarMinimum, kPrgBarMaximum);
    prgBar->setValue(kPrgBarStart);
    prgBar->setTextVisible(false);

    cancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    cancelBtn->setObjectName(QStringLiteral("cancelBtn"));
    cancelBtn->setGeometry((kClientWidth - 75) / 2, 76, 75, 25);
    cancelBtn->setAutoDefault(false);
    connect(cancelBtn, &QPushButton::clicked, this, &TupgradePrgForm::cancelBtnClick);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
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
