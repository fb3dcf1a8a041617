#include "write_backup.h"

#include <QFile>

#include "history/record_backups.h"
#include "terminal_text.h"

namespace quillmar::cli {

QCommandLineOption noBackupOption()
{
    return {QStringLiteral("no-backup"), QStringLiteral("write without storing the record as it was first")};
}

QString backupHelp()
{
    return QStringLiteral("Before the write, the record as it was read is stored under\n"
                          "$XDG_STATE_HOME/quillmar/backups/<MAC>/<UTC time>.bin (XDG_STATE_HOME defaults\n"
                          "to ~/.local/state); config backups lists them and config restore writes one\n"
                          "back. When it cannot be stored nothing is written, unless --no-backup is given.");
}

WriteBackup backupBeforeWrite(const DeviceEntry& record, bool skip)
{
    if (skip)
        return {true, {}, {}};
    const StoredBackup stored = storeBackup(record);
    if (!stored.stored()) {
        return {false,
                {},
                QStringLiteral("the record could not be backed up (%1); nothing is written (--no-backup writes "
                               "without a backup)")
                    .arg(terminalText(QFile::encodeName(stored.error)))};
    }
    return {true, QFile::decodeName(stored.path), {}};
}

}  // namespace quillmar::cli
