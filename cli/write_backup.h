#pragma once
// The account every verb keeps of a write to a module or a printer (config
// set, config apply, config restore, com write, usb write): the record as the
// device reported it is backed up first (history/write_journal.h), and the
// write's verdict goes to the audit log. A write whose backup could not be
// stored does not start, unless the user said --no-backup.
#include <QCommandLineOption>
#include <QString>

#include <optional>

#include "history/write_journal.h"
#include "record/device_entry.h"
#include "verb_context.h"

namespace quillmar::cli {

// --no-backup, for a verb's option list.
QCommandLineOption noBackupOption();
// --dry-run and --show-secrets: everything up to the write, then what it would change.
QCommandLineOption dryRunOption();
QCommandLineOption showSecretsOption();
// The sentence --help gives about backups and the audit log.
QString backupHelp();

// Backs `read` up in `journal` unless `skip` is set; why the write must not
// start when the backup could not be stored.
std::optional<QString> backUpBeforeWrite(WriteJournal& journal, const DeviceEntry& read, bool skip);

// Appends the audit line; a log that cannot be written is told on standard
// error and changes nothing else.
void finishJournal(WriteJournal& journal, const QString& verdict, const QString& verb, VerbContext& context);

}  // namespace quillmar::cli
