#include "history/history_form.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "history/audit_log.h"
#include "history/sealed_file.h"
#include "platform/regular_files.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"
#include "ui/accessible_names.h"
#include "ui/keyboard.h"
#include "ui/prompter.h"
#include "write/change_text.h"
#include "write/field_rules.h"
#include "write/fleet_verdict.h"
#include "write/previewed_save.h"
#include "write/printable.h"
#include "write/restore_plan.h"
#include "write/write_guard.h"

namespace quillmar {

namespace {

enum Column { TimeColumn, OperationColumn, PrinterColumn, ChangesColumn, VerdictColumn, ColumnCount };

const QString kTitle = QStringLiteral("History");

QString shownTime(const QDateTime& utc)
{
    return utc.isValid() ? utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

}  // namespace

THistoryForm::THistoryForm(HistoryWindowContext context, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(std::move(context))
{
    setObjectName(QStringLiteral("historyForm"));
    setWindowTitle(kTitle);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* layout = new QVBoxLayout(this);
    auto* filterRow = new QHBoxLayout();
    Label_filter = new QLabel(QStringLiteral("&Filter (MAC or text):"), this);
    Label_filter->setObjectName(QStringLiteral("Label_filter"));
    Edit_filter = new QLineEdit(this);
    Edit_filter->setObjectName(QStringLiteral("Edit_filter"));
    Edit_filter->setPlaceholderText(QStringLiteral("00-1F-7C-00-02-14, Kitchen, restore, ..."));
    Edit_filter->setClearButtonEnabled(true);
    nameByLabel(Label_filter, Edit_filter);
    filterRow->addWidget(Label_filter);
    filterRow->addWidget(Edit_filter, 1);
    layout->addLayout(filterRow);

    historyTable = new QTableWidget(0, ColumnCount, this);
    historyTable->setObjectName(QStringLiteral("historyTable"));
    historyTable->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Operation"),
                                             QStringLiteral("Printer"), QStringLiteral("Changes"),
                                             QStringLiteral("Verdict")});
    historyTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    historyTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    historyTable->setSelectionMode(QAbstractItemView::SingleSelection);
    historyTable->setWordWrap(false);
    historyTable->setTabKeyNavigation(false);
    historyTable->verticalHeader()->hide();
    historyTable->horizontalHeader()->setStretchLastSection(true);
    historyTable->setColumnWidth(TimeColumn, 130);
    historyTable->setColumnWidth(OperationColumn, 110);
    historyTable->setColumnWidth(PrinterColumn, 260);
    historyTable->setColumnWidth(ChangesColumn, 380);
    historyTable->setAccessibleName(QStringLiteral("Writes, newest first"));
    layout->addWidget(historyTable, 1);

    auto* bottom = new QHBoxLayout();
    Label_status = new QLabel(this);
    Label_status->setObjectName(QStringLiteral("Label_status"));
    Label_status->setForegroundRole(QPalette::Link);
    Label_status->setAccessibleName(QStringLiteral("Status"));
    bottom->addWidget(Label_status, 1);
    restoreBtn = new QPushButton(QStringLiteral("&Restore..."), this);
    restoreBtn->setObjectName(QStringLiteral("restoreBtn"));
    restoreBtn->setToolTip(QStringLiteral("Write the backup taken before this write back into its printer (Alt+R)"));
    restoreBtn->setEnabled(false);
    closeBtn = new QPushButton(QStringLiteral("Close"), this);
    closeBtn->setObjectName(QStringLiteral("closeBtn"));
    bottom->addWidget(restoreBtn);
    bottom->addWidget(closeBtn);
    layout->addLayout(bottom);
    pressFocusedButtonOnEnter(this);

    connect(Edit_filter, &QLineEdit::textChanged, this, &THistoryForm::Edit_filterChange);
    connect(historyTable, &QTableWidget::itemSelectionChanged, this, &THistoryForm::updateRestoreButton);
    connect(restoreBtn, &QPushButton::clicked, this, &THistoryForm::restoreBtnClick);
    connect(closeBtn, &QPushButton::clicked, this, &QWidget::close);

    logPath_ = context_.logPath;
    if (logPath_.isEmpty()) {
        if (const std::optional<QByteArray> path = auditLogPath(logError_))
            logPath_ = *path;
    }
    // Every program appends to the log: the list follows the file, and the
    // file's folder for the log's first line.
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &THistoryForm::reload);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &THistoryForm::reload);
    resize(1040, 420);
    reload();
}

THistoryForm::~THistoryForm() = default;

void THistoryForm::log(const QString& line) const
{
    if (context_.log)
        context_.log(line);
}

void THistoryForm::followLog()
{
    if (logPath_.isEmpty())
        return;
    const QString file = QFile::decodeName(logPath_);
    const QString folder = QFileInfo(file).absolutePath();
    if (QFileInfo::exists(folder) && !watcher_->directories().contains(folder))
        watcher_->addPath(folder);
    if (QFileInfo::exists(file) && !watcher_->files().contains(file))
        watcher_->addPath(file);
}

void THistoryForm::reload()
{
    followLog();
    entries_.clear();
    damagedLines_ = 0;
    if (logPath_.isEmpty()) {
        Label_status->setText(logError_);
    } else {
        QString error;
        const std::optional<std::vector<AuditLogLine>> lines = readAuditLog(logPath_, error);
        if (!lines) {
            Label_status->setText(error);
        } else {
            HistoryReading reading = historyEntries(*lines);
            entries_ = std::move(reading.entries);
            damagedLines_ = reading.damagedLines;
        }
    }
    showEntries();
}

void THistoryForm::Edit_filterChange()
{
    showEntries();
}

void THistoryForm::showEntries()
{
    const HistoryEntry* selected = selectedEntry();
    const int selectedLine = selected ? selected->line : 0;
    shown_.clear();
    for (const HistoryEntry& entry : entries_) {
        if (historyEntryMatches(entry, Edit_filter->text()))
            shown_.push_back(entry);
    }
    const QSignalBlocker quiet(historyTable);
    historyTable->clearSelection();
    historyTable->setRowCount(int(shown_.size()));
    int reselect = -1;
    for (std::size_t row = 0; row < shown_.size(); ++row) {
        const HistoryEntry& entry = shown_[row];
        const QString cells[ColumnCount] = {shownTime(entry.time), printable(entry.operation),
                                            printable(entry.printerText()), printable(entry.changesText()),
                                            printable(entry.verdict)};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            historyTable->setItem(int(row), column, item);
        }
        if (entry.line == selectedLine)
            reselect = int(row);
    }
    if (reselect >= 0)
        historyTable->selectRow(reselect);
    if (!restore_ && !logPath_.isEmpty()) {
        QString status = QStringLiteral("%1 of %2 writes").arg(shown_.size()).arg(entries_.size());
        if (damagedLines_ > 0)
            status += QStringLiteral("; %1 damaged lines of the log left out").arg(damagedLines_);
        Label_status->setText(status);
    }
    updateRestoreButton();
}

const HistoryEntry* THistoryForm::selectedEntry() const
{
    const QList<QTableWidgetItem*> items = historyTable->selectedItems();
    if (items.isEmpty())
        return nullptr;
    const int row = items.first()->row();
    return row >= 0 && row < int(shown_.size()) ? &shown_[std::size_t(row)] : nullptr;
}

bool THistoryForm::restoreRunning() const
{
    return restore_ && restore_->isRunning();
}

void THistoryForm::updateRestoreButton()
{
    const HistoryEntry* entry = selectedEntry();
    restoreBtn->setEnabled(!restore_ && entry && !entry->backup.isEmpty() && QFileInfo(entry->backup).isFile());
}

std::optional<std::uint32_t> THistoryForm::printerAddress(const HistoryEntry& entry) const
{
    const QByteArray mac = entry.macAddress.toLatin1();
    const std::string key = macKey(std::string_view(mac.constData(), std::size_t(mac.size())));
    if (context_.listedPrinters) {
        for (const CensusModule& listed : context_.listedPrinters()) {
            if (macKey(listed.record.text(DeviceField::MacAddress)) == key)
                return listed.from;
        }
    }
    // A confirmed write that moved the printer left it at its new address.
    if (entry.verdict.startsWith(QLatin1String("confirmed"))) {
        for (const HistoryChange& change : entry.changes) {
            if (change.field == QLatin1String("ipAddress"))
                if (const std::optional<std::uint32_t> moved = parseIpv4(toSingleByte(change.to)))
                    return moved;
        }
    }
    return parseIpv4(toSingleByte(entry.address));
}

void THistoryForm::restoreBtnClick()
{
    const HistoryEntry* selected = selectedEntry();
    if (!selected || restore_)
        return;
    const HistoryEntry entry = *selected;
    const QString name = QFileInfo(entry.backup).fileName();
    const RegularFileRead read = readRegularFile(QFile::encodeName(entry.backup), qint64(kSealedRecordFileSize));
    QByteArray record = read.bytes;
    if (read.status == RegularFileRead::Status::Read && looksSealed(record)) {
        // A backup taken with --encrypt-backups: its keys are opened only
        // with the passphrase it was sealed with.
        const std::optional<QByteArray> passphrase = context_.askPassphrase ? context_.askPassphrase(name)
                                                                            : std::optional<QByteArray>();
        if (!passphrase) {
            Label_status->setText(QStringLiteral("Nothing was restored"));
            return;
        }
        const OpenedFile opened = openSealed(record, *passphrase);
        if (opened.outcome != OpenedFile::Outcome::Opened) {
            restoreEnded(QStringLiteral("The backup %1 cannot be opened: %2; nothing was restored")
                             .arg(printable(entry.backup), opened.message),
                         true);
            return;
        }
        record = opened.contents;
    }
    if (read.status != RegularFileRead::Status::Read || record.size() != qsizetype(kDeviceEntrySize)) {
        restoreEnded(QStringLiteral("The backup %1 cannot be read as a record of %2 bytes: nothing was restored")
                         .arg(printable(entry.backup))
                         .arg(kDeviceEntrySize),
                     true);
        return;
    }
    const DeviceEntry backup = DeviceEntry::fromBytes(record.constData(), kDeviceEntrySize);
    if (const std::optional<QString> problem = backupProblem(backup, printable(name))) {
        restoreEnded(*problem, true);
        return;
    }
    const std::optional<std::uint32_t> address = printerAddress(entry);
    if (!address) {
        restoreEnded(QStringLiteral("No address is known for %1: search for it first; nothing was restored")
                         .arg(printable(entry.macAddress)),
                     true);
        return;
    }
    PreviewTarget target;
    target.address = *address;
    target.chosenMac = backup.text(DeviceField::MacAddress).substr(0, kMacCompareLength);
    target.name = entry.deviceName;
    const QString shownName = printable(name);
    restore_ = std::make_unique<PreviewedSave>(
        QStringLiteral("window restore"), std::vector<PreviewTarget>{target},
        [backup, shownName](const ModuleReading& module, QString& refusal) -> std::optional<std::vector<FieldChange>> {
            const std::optional<RestoreWrite> write = restoreWrite(backup, shownName, module.record, module.addressText,
                                                                   refusal);
            if (!write)
                return std::nullopt;
            return write->changes;
        },
        windowFieldRules(),
        listedPrintersGuard(context_.listedPrinters ? context_.listedPrinters() : std::vector<CensusModule>{}),
        fleetTiming_);
    restoring_ = entry;
    connect(restore_.get(), &PreviewedSave::previewed, this, &THistoryForm::restorePreviewed);
    connect(restore_.get(), &PreviewedSave::saved, this, &THistoryForm::restoreSaved);
    connect(restore_.get(), &PreviewedSave::readBackDone, this, &THistoryForm::restoreReadBack);
    restoreBtn->setEnabled(false);
    Label_status->setText(QStringLiteral("Reading %1...").arg(QString::fromStdString(formatIpv4(*address))));
    if (const std::optional<QString> refused = restore_->preview())
        restoreEnded(*refused + QStringLiteral(": nothing was sent"), true);
}

void THistoryForm::restorePreviewed()
{
    if (!restore_ || restore_->printers().empty())
        return;
    const PreviewedPrinter& printer = restore_->printers().front();
    const QString who = printerText(printer.target.name, printable(printer.target.chosenMac), printer.addressText);
    if (!printer.willSave()) {
        const QString why = printer.preview.outcome == ModuleVerdict::Outcome::NoAnswer
                                ? QStringLiteral("no answer from %1").arg(printer.addressText)
                                : printer.preview.message;
        restoreEnded(QStringLiteral("Restore of %1: %2: nothing was restored").arg(who, why), true);
        return;
    }
    const QStringList lines = changeLines(printer.changes);
    const QString question =
        QStringLiteral("Restore %1 to its settings before the write of %2?\n\n%3\n\nThe printer restarts with them.")
            .arg(who, shownTime(restoring_->time),
                 lines.isEmpty() ? QStringLiteral("No field changes: the printer holds these settings already.")
                                 : lines.join(u'\n'));
    // Undoing a write is a write of its own: it goes only on an explicit Yes.
    const bool goOn = confirm(this, question, PromptAnswer::No);
    if (!restore_)
        return;
    if (!goOn || !isVisible()) {
        restoreEnded(QStringLiteral("Restore of %1 not confirmed: nothing was restored").arg(who), false);
        return;
    }
    Label_status->setText(QStringLiteral("Restoring %1... (about %2 seconds)")
                              .arg(who)
                              .arg((kDecidingTick + 1) * fleetTiming_.tick.count() / 1000));
    if (const std::optional<QString> refused = restore_->save())
        restoreEnded(*refused + QStringLiteral(": nothing was sent"), true);
}

void THistoryForm::restoreSaved()
{
    if (!restore_ || restore_->verdicts().empty())
        return;
    for (const QString& failed : restore_->auditFailures())
        log(QStringLiteral("audit log: ") + failed);
    const ModuleVerdict& verdict = restore_->verdicts().front();
    if (verdict.outcome == ModuleVerdict::Outcome::Confirmed) {
        Label_status->setText(QStringLiteral("Save to Module OK; reading the printer back..."));
        restore_->readBack(readbackTiming_);
        return;
    }
    const PreviewedPrinter& printer = restore_->printers().front();
    restoreEnded(QStringLiteral("Restore of %1: %2")
                     .arg(printerText(printer.target.name, printable(printer.target.chosenMac), printer.addressText),
                          verdictText(verdict)),
                 true);
}

void THistoryForm::restoreReadBack()
{
    if (!restore_ || restore_->verdicts().empty())
        return;
    const ModuleVerdict& verdict = restore_->verdicts().front();
    const PreviewedPrinter& printer = restore_->printers().front();
    const bool verified = verdict.readback == ModuleVerdict::Readback::Verified;
    restoreEnded(QStringLiteral("Restore of %1: Save to Module OK; read back: %2")
                     .arg(printerText(printer.target.name, printable(printer.target.chosenMac), printer.addressText),
                          readbackLine(verdict)),
                 !verified);
}

void THistoryForm::restoreEnded(const QString& message, bool failed)
{
    if (restore_)
        restore_->deleteLater();
    restore_.release();
    restoring_.reset();
    Label_status->setText(message);
    log(message);
    updateRestoreButton();
    if (isVisible()) {
        if (failed)
            showError(this, message);
        else
            showInformation(this, message);
    }
    emit restoreFinished();
}

void THistoryForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void THistoryForm::closeEvent(QCloseEvent* event)
{
    // A restore under way ends with the window: its audit line says so.
    if (restore_)
        restore_->stop();
    QWidget::closeEvent(event);
}

}  // namespace quillmar
