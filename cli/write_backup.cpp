#include "write_backup.h"

#include <QFile>

#include "terminal_text.h"

namespace quillmar::cli {

QCommandLineOption noBackupOption()
{
    return {QStringLiteral("no-backup"), QStringLiteral("write without storing the record as it was first")};
}

QCommandLineOption dryRunOption()
{
    return {QStringLiteral("dry-run"), QStringLiteral("read and run every rule and guard, then print the fields that "
                                                      "would change; nothing is written")};
}

QCommandLineOption showSecretsOption()
{
    return {QStringLiteral("show-secrets"), QStringLiteral("with --dry-run, Wi-Fi keys in clear")};
}

QString backupHelp()
{
    return QStringLiteral("Before the write, the record as it was read is stored under\n"
                          "$XDG_STATE_HOME/quillmar/backups/<MAC>/<UTC time>.bin (XDG_STATE_HOME defaults\n"
                          "to ~/.local/state); config backups lists them and config restore writes one\n"
                          "back. When it cannot be stored nothing is written, unless --no-backup is given.\n"
                          "Every write, and its verdict, is appended to the audit log (quillmar-cli log).");
}

QString noBackupRefusal(const QString& failed)
{
    return QStringLiteral("%1; nothing is written (--no-backup writes without a backup)")
        .arg(terminalText(QFile::encodeName(failed)));
}

void finishJournal(PlannedWrite& write, const QString& verdict, const QString& prefix, VerbContext& context)
{
    if (const std::optional<QString> failed = write.finish(verdict)) {
        context.err << prefix << "audit log: " << terminalText(QFile::encodeName(*failed)) << '\n';
        context.err.flush();
    }
}

}  // namespace quillmar::cli
