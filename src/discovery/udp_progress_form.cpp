#include "discovery/udp_progress_form.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace quillmar {
namespace {

constexpr int kClientWidth = 258;
constexpr int kClientHeight = 114;
constexpr int kBarStep = 10;

}  // namespace

TudpPrgForm::TudpPrgForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("udpPrgForm"));
    setWindowTitle(QStringLiteral("progress..."));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    prgMsg = new QLabel(this);
    prgMsg->setObjectName(QStringLiteral("prgMsg"));
    prgMsg->setGeometry(16, 16, 225, 16);

    prgBar = new QProgressBar(this);
    prgBar->setObjectName(QStringLiteral("prgBar"));
    prgBar->setGeometry(16, 46, 225, 17);
    prgBar->setRange(0, 100);
    prgBar->setTextVisible(false);

    cancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    cancelBtn->setObjectName(QStringLiteral("cancelBtn"));
    cancelBtn->setGeometry((kClientWidth - 75) / 2, 78, 75, 24);
    cancelBtn->setAutoDefault(false);
    connect(cancelBtn, &QPushButton::clicked, this, &TudpPrgForm::cancelBtnClick);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TudpPrgForm::prepareForSearch()
{
    setLabelText(QString());
    prgBar->move(prgBar->x(), prgMsg->y() + kClientHeight / 4);
    prgBar->setValue(10);
    stepBar();
}

QString TudpPrgForm::labelText() const
{
    return prgMsg->text();
}

int TudpPrgForm::barPosition() const
{
    return prgBar->value();
}

void TudpPrgForm::setLabelText(const QString& text)
{
    prgMsg->setText(text);
    emit messageChanged(text);
}

void TudpPrgForm::setBarPosition(int position)
{
    prgBar->setValue(qBound(prgBar->minimum(), position, prgBar->maximum()));
}

void TudpPrgForm::stepBar()
{
    // Like a progress bar's step, the position wraps to the start past the end.
    int next = prgBar->value() + kBarStep;
    if (next > prgBar->maximum())
        next = prgBar->minimum() + (next - prgBar->maximum());
    prgBar->setValue(next);
}

void TudpPrgForm::closeIfVisible()
{
    if (isVisible())
        close();
}

void TudpPrgForm::cancelBtnClick()
{
    cancelBtn->setEnabled(false);
    reject();
}

void TudpPrgForm::done(int result)
{
    if (closing_)
        return;
    closing_ = true;
    // The pause keeps delivering the worker's rows and repaints, but no clicks.
    if (closePause_.count() > 0 && isVisible()) {
        QEventLoop pause;
        QTimer::singleShot(closePause_, &pause, &QEventLoop::quit);
        pause.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QDialog::done(result);
    cancelBtn->setEnabled(true);
    closing_ = false;
}

}  // namespace quillmar
