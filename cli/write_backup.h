#pragma once
// The backup every verb takes before it writes to a module or a printer (config
// set, config apply, config restore, com write, usb write): the record as the
// device reported it, stored by history/record_backups.h. A write whose backup
// could not be stored does not start, unless the user said --no-backup.
#include <QCommandLineOption>
#include <QString>

#include "record/device_entry.h"

namespace quillmar::cli {

// --no-backup, for a verb's option list.
QCommandLineOption noBackupOption();
// The sentence --help gives about backups.
QString backupHelp();

struct WriteBackup {
    bool mayWrite = false;
    QString path;     // the stored file, empty when --no-backup
    QString refusal;  // why the write must not start
};

// Stores `record` unless `skip` is set.
WriteBackup backupBeforeWrite(const DeviceEntry& record, bool skip);

}  // namespace quillmar::cli
