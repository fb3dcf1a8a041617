// The configuration window after a confirmed save (the printer read back),
// and its several-printers mode: the boxes the user changes go to every
// printer in one save time, each printer keeping the rest of its own record,
// with the changes shown first and a verdict per printer after.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QThread>

#include <algorithm>

#include "config/cfg_form.h"
#include "config/config_port.h"
#include "config/save_result_form.h"
#include "config/several_printers.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"
#include "ui/prompter.h"
#include "write/change_text.h"
#include "write/fleet_verdict.h"
#include "write/form_changes.h"
#include "write/previewed_save.h"
#include "write/test_slip.h"
#include "write/wifi_check.h"

namespace quillmar {

namespace {

using Outcome = ModuleVerdict::Outcome;
using Readback = ModuleVerdict::Readback;

QString nameOf(const PreviewedPrinter& printer)
{
    return printerText(printer.target.name, QString::fromLatin1(printer.target.chosenMac.c_str()), printer.addressText);
}

}  // namespace

void TcfgForm::readBackWritten(const DeviceEntry& written)
{
    ModuleVerdict saved;
    saved.addressText = saveExchange_->targetAddress();
    saved.address = parseIpv4(saved.addressText.toStdString()).value_or(0);
    saved.outcome = Outcome::Confirmed;
    saved.sent = written;
    readback_ = std::make_unique<ReadbackRun>(std::vector<ModuleVerdict>{saved}, readbackTiming_);
    connect(
        readback_.get(), &ReadbackRun::finished, this,
        [this] {
            if (readback_ && readback_->isDone() && !readback_->verdicts().empty())
                showReadback(readback_->verdicts().front());
        },
        Qt::QueuedConnection);
    Label_verify->setText(QStringLiteral("Reading the printer back..."));
    readback_->start();
}

void TcfgForm::showReadback(const ModuleVerdict& verdict)
{
    // A read-back ended by the window or by the next save says nothing.
    if (verdict.readback == Readback::Stopped) {
        Label_verify->clear();
        return;
    }
    const QString text = QStringLiteral("Read back: ") + readbackLine(verdict);
    Label_verify->setText(text);
    Label_verify->setToolTip(text);
    log(QStringLiteral("Save to Module: %1 %2")
            .arg(printerText(fromSingleByte(block_.text(DeviceField::DeviceName)), fromSingleByte(chosenMac_),
                             verdict.addressText),
                 readbackLine(verdict)));
    printSlips({verdict});
}

void TcfgForm::printSlips(const std::vector<ModuleVerdict>& verdicts)
{
    if (!ChkBox_slip->isChecked())
        return;
    const QString author = slipAuthor();
    for (const ModuleVerdict& verdict : verdicts) {
        const std::optional<SlipTarget> target = slipTarget(verdict);
        if (!target || verdict.readback == Readback::NotAsked)
            continue;
        const QString printer = printerText(
            fromSingleByte(verdict.sent->text(DeviceField::DeviceName)),
            fromSingleByte(verdict.sent->text(DeviceField::MacAddress)).left(int(kMacCompareLength)), target->address);
        const QByteArray job = testSlip(*verdict.sent, target->address, QDateTime::currentDateTime(), author);
        const std::chrono::milliseconds wait = readbackTiming_.timeout;
        const QPointer<TcfgForm> window(this);
        QThread* printing = QThread::create([window, printer, target = *target, job, wait] {
            const SlipPrint printed = printTestSlip(target.address, target.port, job, wait);
            const QString outcome = printed.printed
                                        ? QStringLiteral("printed at %1:%2").arg(target.address).arg(target.port)
                                        : QStringLiteral("not printed: ") + printed.reason;
            QMetaObject::invokeMethod(
                qApp,
                [window, printer, outcome] {
                    if (window)
                        window->slipPrinted(printer, outcome);
                },
                Qt::QueuedConnection);
        });
        connect(printing, &QThread::finished, printing, &QObject::deleteLater);
        // A slip still on its way when the program ends is waited for (at
        // most its connection wait): the thread must not outlive the
        // application it reports to.
        connect(
            qApp, &QCoreApplication::aboutToQuit, printing, [printing] { printing->wait(); }, Qt::DirectConnection);
        printing->start();
    }
}

void TcfgForm::slipPrinted(const QString& printer, const QString& outcome)
{
    log(QStringLiteral("Test slip of %1: %2").arg(printer, outcome));
    if (!severalPrinters())
        Label_verify->setText(Label_verify->text() + QStringLiteral("; test slip ") + outcome);
}

void TcfgForm::saveUsableAgain()
{
    saveModuleBtn->setEnabled(true);
    abortBtn->setEnabled(true);
}

void TcfgForm::saveSeveral()
{
    std::vector<FieldChange> changes = windowChanges(shownValues_, formValues());
    std::erase_if(changes, [](const FieldChange& change) { return !isSharedField(change.field); });
    if (changes.empty()) {
        showInformation(
            this, QStringLiteral("No box was changed: nothing to save to the %1 printers.").arg(printers_.size()));
        return;
    }
    if (refusedBeforeSending(changes))
        return;
    std::vector<PreviewTarget> targets;
    for (const DeviceEntry& printer : printers_) {
        PreviewTarget target;
        target.address = parseIpv4(printer.text(DeviceField::IpAddress)).value_or(0);
        target.chosenMac = printer.text(DeviceField::MacAddress).substr(0, kMacCompareLength);
        target.name = fromSingleByte(printer.text(DeviceField::DeviceName));
        targets.push_back(std::move(target));
    }
    severalChanges_ = changes;
    severalSave_ = std::make_unique<PreviewedSave>(
        QStringLiteral("window save"), std::move(targets),
        [changes](const ModuleReading&, QString&) { return std::optional<std::vector<FieldChange>>(changes); },
        recordFieldRules(), writeGuard(), fleetTiming_);
    connect(severalSave_.get(), &PreviewedSave::previewed, this, &TcfgForm::severalPreviewed);
    connect(severalSave_.get(), &PreviewedSave::saved, this, &TcfgForm::severalSaved);
    connect(severalSave_.get(), &PreviewedSave::readBackDone, this, &TcfgForm::severalReadBack);
    severalDone_ = 0;
    connect(severalSave_.get(), &PreviewedSave::moduleSaved, this, [this] {
        ++severalDone_;
        Label53->setText(
            QStringLiteral("Waiting... (%1 of %2 printers have their verdict)").arg(severalDone_).arg(severalGoing_));
    });
    saveModuleBtn->setEnabled(false);
    abortBtn->setEnabled(false);
    Label53->setText(QStringLiteral("Reading the %1 printers...").arg(printers_.size()));
    if (const std::optional<QString> refused = severalSave_->preview()) {
        severalSave_.reset();
        Label53->clear();
        saveUsableAgain();
        showError(this, *refused + QStringLiteral(": nothing was sent"));
    }
}

void TcfgForm::severalPreviewed()
{
    if (!severalSave_ || !isVisible())
        return;
    QStringList going;
    QStringList leftAlone;
    // Each printer's network as it would join it, against one look at what
    // this PC's Wi-Fi sees.
    std::optional<WifiSurvey> survey;
    bool doubtful = false;
    for (const PreviewedPrinter& printer : severalSave_->printers()) {
        if (printer.willSave()) {
            QStringList lines = changeLines(printer.changes);
            if (lines.isEmpty())
                lines << QStringLiteral("no field changes");
            if (printer.preview.sent && wifiCheckNeeded(severalChanges_, *printer.preview.sent)) {
                if (!survey) {
                    Label53->setText(QStringLiteral("Asking what Wi-Fi this PC sees..."));
                    Label53->repaint();
                    survey = surveyWith(context_.wifiSurvey);
                }
                const WifiCheck wifi = checkWifi(*printer.preview.sent, *survey);
                doubtful = doubtful || wifi.refuses();
                lines << wifiCheckLine(wifi);
                if (!wifi.refuses() && wifi.outcome != WifiCheck::Outcome::Seen)
                    log(QStringLiteral("Save to Module: %1: %2").arg(nameOf(printer), wifi.text));
            }
            going << nameOf(printer) + QStringLiteral(":\n    ") + lines.join(QStringLiteral("\n    "));
        } else {
            leftAlone << nameOf(printer) + QStringLiteral(": ")
                             + (printer.preview.outcome == Outcome::NoAnswer ? QStringLiteral("no answer")
                                                                             : printer.preview.message);
        }
    }
    if (going.isEmpty()) {
        Label53->clear();
        saveUsableAgain();
        const QString message = QStringLiteral("Nothing was saved:\n") + leftAlone.join(u'\n');
        log(QStringLiteral("Save to Module: ") + leftAlone.join(QStringLiteral("; "))
            + QStringLiteral(": nothing was saved"));
        showError(this, message);
        severalSave_.reset();
        return;
    }
    // A Wi-Fi key goes to several printers only once the user saw which; a
    // network in doubt only on an explicit Yes.
    const bool key = carriesWifiKey(severalChanges_);
    if (previewBeforeSave() || key || doubtful) {
        QString question = QStringLiteral(
                               "Save to Module, %1 of %2 printers in one save time (about %3 seconds):\n\n%4")
                               .arg(going.size())
                               .arg(printers_.size())
                               .arg((kDecidingTick + 1) * fleetTiming_.tick.count() / 1000)
                               .arg(going.join(u'\n'));
        if (!leftAlone.isEmpty())
            question += QStringLiteral("\n\nNot saved:\n") + leftAlone.join(u'\n');
        if (key)
            question += QStringLiteral("\n\nThe Wi-Fi key goes to every printer listed above.");
        question += doubtful ? QStringLiteral("\n\nSend anyway?") : QStringLiteral("\n\nSave these changes?");
        const bool goOn = confirm(this, question,
                                  previewBeforeSave() && !doubtful ? PromptAnswer::Yes : PromptAnswer::No);
        if (!severalSave_ || !isVisible())
            return;
        if (!goOn) {
            Label53->clear();
            saveUsableAgain();
            log(QStringLiteral("Save to Module: not saved to the %1 printers; the changes were not confirmed")
                    .arg(printers_.size()));
            severalSave_.reset();
            return;
        }
    }
    severalGoing_ = int(going.size());
    Label53->setText(QStringLiteral("Waiting... (%1 printers, about %2 seconds)")
                         .arg(going.size())
                         .arg((kDecidingTick + 1) * fleetTiming_.tick.count() / 1000));
    if (const std::optional<QString> refused = severalSave_->save()) {
        severalSave_.reset();
        Label53->clear();
        saveUsableAgain();
        showError(this, *refused + QStringLiteral(": nothing was sent"));
    }
}

void TcfgForm::severalSaved()
{
    if (!severalSave_)
        return;
    const std::vector<ModuleVerdict>& verdicts = severalSave_->verdicts();
    const auto confirmed = std::count_if(verdicts.begin(), verdicts.end(), [](const ModuleVerdict& verdict) {
        return verdict.outcome == Outcome::Confirmed;
    });
    Label53->setText(confirmed == qsizetype(verdicts.size())
                         ? QString::fromLatin1(kSaveConfirmed)
                         : QStringLiteral("Save to Module: %1 of %2 confirmed").arg(confirmed).arg(verdicts.size()));
    for (const QString& failed : severalSave_->auditFailures())
        log(QStringLiteral("audit log: ") + failed);
    for (std::size_t i = 0; i < verdicts.size(); ++i) {
        const PreviewedPrinter& printer = severalSave_->printers()[i];
        log(QStringLiteral("Save to Module: %1: %2").arg(nameOf(printer), verdictText(verdicts[i])));
    }
    saveUsableAgain();
    abortBtn->setText(QStringLiteral("Exit"));
    // Every printer has what the boxes show: the next save sets what changes from here.
    if (confirmed == qsizetype(verdicts.size()))
        shownValues_ = formValues();

    if (!resultForm_) {
        resultForm_ = new TsaveResultForm();
        resultForm_->setAttribute(Qt::WA_DeleteOnClose);
    }
    resultForm_->showResults(severalSave_->printers(), verdicts, confirmed > 0);
    resultForm_->show();
    resultForm_->raise();
    if (confirmed > 0) {
        Label_verify->setText(QStringLiteral("Reading the printers back..."));
        severalSave_->readBack(readbackTiming_);
    }
}

void TcfgForm::severalReadBack()
{
    if (!severalSave_)
        return;
    const std::vector<ModuleVerdict>& verdicts = severalSave_->verdicts();
    const auto verified = std::count_if(verdicts.begin(), verdicts.end(), [](const ModuleVerdict& verdict) {
        return verdict.readback == Readback::Verified;
    });
    const auto asked = std::count_if(verdicts.begin(), verdicts.end(), [](const ModuleVerdict& verdict) {
        return verdict.readback != Readback::NotAsked;
    });
    Label_verify->setText(QStringLiteral("Read back: %1 of %2 verified").arg(verified).arg(asked));
    for (std::size_t i = 0; i < verdicts.size(); ++i) {
        if (verdicts[i].readback != Readback::NotAsked && verdicts[i].readback != Readback::Stopped)
            log(QStringLiteral("Save to Module: %1 %2")
                    .arg(nameOf(severalSave_->printers()[i]), readbackLine(verdicts[i])));
    }
    printSlips(verdicts);
    if (resultForm_)
        resultForm_->showResults(severalSave_->printers(), verdicts, false);
}

}  // namespace quillmar
