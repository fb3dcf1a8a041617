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

QCommandLineOption encryptBackupsOption()
{
    return {QStringLiteral("encrypt-backups"),
            QStringLiteral("store the record as it was encrypted with a passphrase (<UTC time>.enc)")};
}

QString backupHelp()
{
    return QStringLiteral("Before the write, the record as it was read is stored under\n"
                          "$XDG_STATE_HOME/quillmar/backups/<MAC>/<UTC time>.bin (XDG_STATE_HOME defaults\n"
                          "to ~/.local/state); config backups lists them and config restore writes one\n"
                          "back. When it cannot be stored nothing is written, unless --no-backup is given.\n"
                          "--encrypt-backups (or QUILLMAR_ENCRYPT_BACKUPS=1) stores it as <UTC time>.enc,\n"
                          "encrypted with a passphrase (Argon2id, XChaCha20-Poly1305), which config\n"
                          "restore asks for again.\n"
                          "Every write, and its verdict, is appended to the audit log (quillmar-cli log).");
}

bool backupsEncryptedBySetting()
{
    const QByteArray value = qgetenv("QUILLMAR_ENCRYPT_BACKUPS").trimmed().toLower();
    return !value.isEmpty() && value != "0" && value != "no" && value != "false";
}

std::optional<std::unique_ptr<FileSealer>> backupSealer(const QCommandLineParser& parser, SecretSources& secrets,
                                                        VerbContext& context, QString& error)
{
    const bool asked = parser.isSet(encryptBackupsOption().names().constFirst());
    const bool skipped = parser.isSet(noBackupOption().names().constFirst());
    if (asked && skipped) {
        error = QStringLiteral("--encrypt-backups and --no-backup contradict each other");
        return std::nullopt;
    }
    if ((!asked && !backupsEncryptedBySetting()) || skipped || parser.isSet(dryRunOption().names().constFirst()))
        return std::unique_ptr<FileSealer>();
    const std::optional<QByteArray> passphrase = secrets.passphraseToSeal(context, error);
    if (!passphrase) {
        error = QStringLiteral("the backups are to be encrypted: %1").arg(error);
        return std::nullopt;
    }
    std::unique_ptr<FileSealer> sealer = FileSealer::make(*passphrase, error);
    if (!sealer)
        return std::nullopt;
    return sealer;
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
