#pragma once
// The options and words of the account every verb keeps of a write to a
// module or a printer (config set, config apply, config restore, com write,
// usb write): the record as the device reported it is backed up first
// (write/write_plan.h, PlannedWrite), and the write's verdict goes to the
// audit log. A write whose backup could not be stored does not start, unless
// the user said --no-backup.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <memory>
#include <optional>

#include "history/sealed_file.h"
#include "secret_sources.h"
#include "verb_context.h"
#include "write/write_plan.h"

namespace quillmar::cli {

// --no-backup, for a verb's option list.
QCommandLineOption noBackupOption();
// --dry-run and --show-secrets: everything up to the write, then what it would change.
QCommandLineOption dryRunOption();
QCommandLineOption showSecretsOption();
// --encrypt-backups.
QCommandLineOption encryptBackupsOption();
// The sentence --help gives about backups and the audit log.
QString backupHelp();

// The setting that encrypts every backup a verb takes, as --encrypt-backups
// does: QUILLMAR_ENCRYPT_BACKUPS set to anything but "", 0, no or false.
bool backupsEncryptedBySetting();

// The sealer of a run's backups when they are to be encrypted
// (--encrypt-backups or the setting, and neither --no-backup nor --dry-run),
// with the passphrase of `secrets` (asked twice on a terminal when none is
// given); null when they are not. Nothing, with `error` set, when they are to
// be and no passphrase is known.
std::optional<std::unique_ptr<FileSealer>> backupSealer(const QCommandLineParser& parser, SecretSources& secrets,
                                                        VerbContext& context, QString& error);

// Why a write does not start when its backup (PlannedWrite::backUp) could not
// be stored: `failed`, and what to do about it.
QString noBackupRefusal(const QString& failed);

// Appends the audit line; a log that cannot be written is told on standard
// error (after `prefix`, "quillmar-cli VERB: ") and changes nothing else.
void finishJournal(PlannedWrite& write, const QString& verdict, const QString& prefix, VerbContext& context);

}  // namespace quillmar::cli
