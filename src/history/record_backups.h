#pragma once
// Backups of module records, taken before anything is written to a module: the
// record as the module reported it, stored as a 256-byte file (the exported
// file's format) under the user's state directory,
//   $XDG_STATE_HOME/quillmar/backups/<MAC>/<UTC time>.bin
// ($XDG_STATE_HOME defaults to ~/.local/state). Files are written beside their
// name and renamed into place with mode 0600 (a record holds the Wi-Fi keys),
// the directories made with mode 0700, and no backup ever replaces another.
// A backup sealed with a passphrase (history/sealed_file.h) is
//   $XDG_STATE_HOME/quillmar/backups/<MAC>/<UTC time>.enc
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <string_view>
#include <vector>

#include "record/device_entry.h"

namespace quillmar {

class FileSealer;

// The backups directory, or nothing with `error` set when neither
// XDG_STATE_HOME (absolute) nor HOME says where the user's state lives.
std::optional<QByteArray> backupRoot(QString& error);

// The folder of a module's backups, named after its MAC (the first 17
// characters, as MACs are compared): twelve hexadecimal digits in any of the
// usual notations ("00:1f:7c:00:02:14", "001F.7C00.0214") give
// "00-1F-7C-00-02-14"; any other text gives "mac-" and its bytes in hex, or
// "mac-none" when it is empty, so a module's text never becomes a path of its own.
QString backupFolderName(std::string_view mac);

// "20240501T101502.123Z.bin" (".enc" when `sealed`): sorts as time does.
QString backupFileName(const QDateTime& utc, bool sealed = false);

struct StoredBackup {
    QByteArray path;  // set when stored
    QString error;    // why not, otherwise
    bool stored() const { return !path.isEmpty(); }
};

// Stores `record` under `root` (backupRoot() when empty) at `utc`, with a
// "-2", "-3", ... after the time when another backup has that name already;
// sealed by `sealer` when one is given.
StoredBackup storeBackup(const DeviceEntry& record, const QByteArray& root = {},
                         const QDateTime& utc = QDateTime::currentDateTimeUtc(), const FileSealer* sealer = nullptr);

struct BackupFile {
    QString folder;  // backupFolderName of the module's MAC
    QDateTime time;  // UTC, from the file's name
    QByteArray path;
    bool sealed = false;  // a .enc file: `record` stays empty, as its passphrase is not known here
    DeviceEntry record;
};

// The backups under `root`, of one folder only when `folder` is given, by
// folder and then by time. Files that are not a 256-byte record named by
// backupFileName (or a sealed file of a record, named with ".enc") are left out.
std::vector<BackupFile> listBackups(const QByteArray& root, const std::optional<QString>& folder = std::nullopt);

}  // namespace quillmar
