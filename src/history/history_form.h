#pragma once
// The History window: the audit log of every write, newest first, with the
// printer, what changed (keys masked), the verdict and, for an upgrade or web
// upload, the image's size and SHA-256. A filter keeps one printer's writes (a
// MAC) or the rows that show a text. The list follows the log while the
// window is open, whichever program writes it. A row whose write left a
// backup offers "Restore...": the printer is read first, the fields that would
// change on it as it is now are shown, and only on Yes does the backup go back
// through the one write path, with its verdict and a read-back.
#include <QByteArray>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "history/history_entries.h"
#include "record/device_entry.h"
#include "write/fleet_save.h"
#include "write/module_census.h"
#include "write/readback.h"

class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace quillmar {

class PreviewedSave;

struct HistoryWindowContext {
    // Appends one line to the main window's message log.
    std::function<void(const QString& line)> log;
    // The printers the main window lists, where each answered: where a
    // printer is looked for first, and what a restored address is held against.
    std::function<std::vector<CensusModule>()> listedPrinters;
    // The log to show; empty: the user's (history/audit_log.h).
    QByteArray logPath;
    // The passphrase of a sealed backup (its file name given); nothing when
    // the user cancels.
    std::function<std::optional<QByteArray>(const QString& fileName)> askPassphrase;
};

class THistoryForm : public QWidget {
    Q_OBJECT
public:
    explicit THistoryForm(HistoryWindowContext context, QWidget* parent = nullptr);
    ~THistoryForm() override;

    // Reads the log again; the selected row stays selected.
    void reload();
    // The entry of the selected row (null when none is).
    const HistoryEntry* selectedEntry() const;
    // The entries the filter keeps, in the order listed.
    const std::vector<HistoryEntry>& shownEntries() const { return shown_; }

    // Tests shorten the save's ticks and the read-back's wait.
    void setFleetTiming(const FleetTiming& timing) { fleetTiming_ = timing; }
    void setReadbackTiming(const ReadbackTiming& timing) { readbackTiming_ = timing; }
    bool restoreRunning() const;

signals:
    // A restore has its verdict (and its read-back); the message was answered.
    void restoreFinished();

public slots:
    void restoreBtnClick();
    void Edit_filterChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showEntries();
    void followLog();
    void updateRestoreButton();
    // Where the printer of `entry` is to be read: where the list saw its MAC,
    // else where the write left it, else where it was written.
    std::optional<std::uint32_t> printerAddress(const HistoryEntry& entry) const;
    void restorePreviewed();
    void restoreSaved();
    void restoreReadBack();
    void restoreEnded(const QString& message, bool failed);
    void log(const QString& line) const;

    HistoryWindowContext context_;
    QByteArray logPath_;
    QString logError_;
    std::vector<HistoryEntry> entries_;
    std::vector<HistoryEntry> shown_;
    int damagedLines_ = 0;
    QFileSystemWatcher* watcher_ = nullptr;

    QLabel* Label_filter = nullptr;
    QLineEdit* Edit_filter = nullptr;
    QTableWidget* historyTable = nullptr;
    QLabel* Label_status = nullptr;
    QPushButton* restoreBtn = nullptr;
    QPushButton* closeBtn = nullptr;

    std::unique_ptr<PreviewedSave> restore_;
    std::optional<HistoryEntry> restoring_;
    FleetTiming fleetTiming_;
    ReadbackTiming readbackTiming_;
};

}  // namespace quillmar
