#pragma once
// The audit log: one JSON line for every write to a module or a printer, from
// every program and every path (a window's save, a tool's save, each verb of
// the command line), appended to $XDG_STATE_HOME/quillmar/audit.jsonl. The
// file is made with mode 0600 and each line goes in one locked write, so two
// programs appending at once never leave half a line.
#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

#include "history/record_changes.h"

namespace quillmar {

struct AuditImage {
    qint64 size = 0;
    QString sha256;  // hex
};

struct AuditEntry {
    QDateTime time;     // UTC; appendAudit stamps the present when not set
    QString user;       // appendAudit: the login name when empty
    QString program;    // appendAudit: this program's file name when empty
    QString operation;  // "window save", "config set", "com write", "upgrade", ...
    QString macAddress;
    QString deviceName;                 // the printer's name as its record held it, when one was read
    QString address;                    // the module's IP address, or the port or USB printer
    std::vector<ChangedField> changes;  // masked keys (recordChanges without showSecrets)
    QString backup;                     // path of the record stored before the write
    std::optional<AuditImage> image;    // upgrade and web upload
    QString verdict;                    // the operation's own words
};

// $XDG_STATE_HOME/quillmar/audit.jsonl, or nothing with `error`.
std::optional<QByteArray> auditLogPath(QString& error);

// The entry as its line of JSON, without the line end.
QByteArray auditJson(const AuditEntry& entry);

// Appends `entry` to the log at `path` (auditLogPath() when empty); the
// reason when it could not be written. A write that happened is never undone
// for its audit line: callers report the failure and go on. A line an earlier
// append left without its end (a full disk) is ended first, so this entry is
// read back whole and only the cut one as damage.
std::optional<QString> appendAudit(AuditEntry entry, const QByteArray& path = {});

// Size and SHA-256 of a file's bytes; nothing when it cannot be read.
std::optional<AuditImage> imageOfFile(const QByteArray& path);

struct AuditLogLine {
    int number = 0;      // from 1
    QJsonObject object;  // the entry, when the line is whole
    QString damage;      // why the line is not an entry, otherwise
};

// Every line of the log at `path`; nothing with `error` when it cannot be read
// (a log not written yet reads as empty).
std::optional<std::vector<AuditLogLine>> readAuditLog(const QByteArray& path, QString& error);

}  // namespace quillmar
