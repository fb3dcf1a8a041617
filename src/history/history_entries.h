#pragma once
// The audit log as the History window lists it: one entry per whole line,
// newest first, with the printer (name, MAC, address), what changed (by the
// captions the windows use, keys as the log keeps them: masked), the verdict,
// the backup taken before the write and, for an upgrade or a web upload, the
// image's size and SHA-256. A filter keeps the entries of one printer (a MAC
// in any usual notation) or those with a text anywhere in their row.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "history/audit_log.h"

namespace quillmar {

struct HistoryChange {
    QString field;  // the record's field name as the log keeps it ("ssid")
    QString from;
    QString to;
};

struct HistoryEntry {
    int line = 0;    // in the log, from 1
    QDateTime time;  // UTC
    QString user;
    QString program;
    QString operation;
    QString deviceName;
    QString macAddress;
    QString address;
    std::vector<HistoryChange> changes;
    QString backup;  // path of the record stored before the write; empty: none
    std::optional<AuditImage> image;
    QString verdict;

    // "Counter1, 00-1F-7C-00-02-14, 192.0.2.20", the parts the line has.
    QString printerText() const;
    // "SSID: ShopNet -> Shop2, IP Address: 192.0.2.20 -> 192.0.2.21", or
    // "image 65536 bytes, SHA-256 0a1b..." for a write of an image.
    QString changesText() const;
};

struct HistoryReading {
    std::vector<HistoryEntry> entries;  // newest first
    int damagedLines = 0;               // lines that are not an entry, left out
};

// The entries of the log's lines.
HistoryReading historyEntries(const std::vector<AuditLogLine>& lines);

// Whether the entry is kept by `filter`: empty keeps all; a MAC (twelve
// hexadecimal digits in any usual notation) keeps that printer's entries;
// any other text keeps the entries that show it (any case).
bool historyEntryMatches(const HistoryEntry& entry, const QString& filter);

}  // namespace quillmar
