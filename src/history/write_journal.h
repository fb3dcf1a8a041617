#pragma once
// The account of one write to a module or a printer, the same from every path
// (a window, a settings tool, a verb): the record as it was read is backed up
// before anything is written (no backup, no write), and once the write has its
// verdict one line goes to the audit log with what changed.
#include <QString>

#include <optional>

#include "history/audit_log.h"
#include "record/device_entry.h"

namespace quillmar {

class FileSealer;

class WriteJournal {
public:
    // `operation` as the log names it ("window save", "config set", ...);
    // `address` the module's address, or the port or printer written to.
    WriteJournal(QString operation, QString address);

    // Stores `read` as the backup of the write to come, sealed by `sealer`
    // when one is given; on failure the reason, naming the path, and nothing
    // may be written.
    std::optional<QString> backUp(const DeviceEntry& read, const FileSealer* sealer = nullptr);
    // The record as read, when the write goes without a backup (--no-backup):
    // the log still says what changed.
    void setRead(const DeviceEntry& read);
    // What is written (or about to be): the changes are read against it.
    void setWritten(const DeviceEntry& written) { written_ = written; }
    // Writes that are not a record (an upgrade, a web image, a reboot).
    void setImage(const AuditImage& image) { entry_.image = image; }
    void setMacAddress(const QString& mac) { entry_.macAddress = mac; }

    const QString& backupPath() const { return entry_.backup; }
    // What setWritten was given (an empty record before).
    DeviceEntry written() const { return written_.value_or(DeviceEntry{}); }

    // Appends the audit line with `verdict` (once; later calls do nothing);
    // the reason when the log could not be written.
    std::optional<QString> finish(const QString& verdict);

    // Where the log goes (tests); empty for the user's log.
    void setLogPath(const QByteArray& path) { logPath_ = path; }

private:
    AuditEntry entry_;
    std::optional<DeviceEntry> read_;
    std::optional<DeviceEntry> written_;
    QByteArray logPath_;
    bool finished_ = false;
};

}  // namespace quillmar
