#pragma once
// Where a verb's secrets come from, the same for every verb that takes one
// (config set and apply, com and usb write: the Wi-Fi keys; reboot, upgrade
// and web upload: the device's password; every verb that reads or writes an
// encrypted settings file: its passphrase):
//   - --secrets FILE, "name=value" lines (secrets_file.h); "-" is standard input;
//   - --ask-secret NAME, asked on the terminal without echo (a new key twice);
//   - the environment, QUILLMAR_KEY, QUILLMAR_WPAPSK, QUILLMAR_PASSWORD and
//     QUILLMAR_PASSPHRASE, for CI systems: it fills in only what nothing else
//     gives;
//   - still the command line (key=..., wpaPsk=... words, --password P), with
//     one warning on standard error, since every user of the PC can read it
//     there.
// A secret given in two of the first places (the environment aside) is
// refused rather than one of them quietly winning. The passphrase of a file
// to open or to seal is asked on a terminal when none is given.
#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

#include <map>
#include <optional>
#include <vector>

#include "secrets_file.h"
#include "verb_context.h"
#include "write/field_change.h"

namespace quillmar::cli {

// The secrets a verb takes.
struct SecretUse {
    bool wifiKeys = false;     // key and wpaPsk, the values a write gives a printer
    bool keysInWords = false;  // and its NAME=VALUE words may give them too
    bool password = false;     // a device's password: --password P, --password-from-keyring
    bool passphrase = false;   // of encrypted settings files

    bool any() const { return wifiKeys || password || passphrase; }
    bool takes(SecretField field) const;
};

struct SecretValue {
    QByteArray value;
    QString origin;  // "--secrets FILE", "the terminal", "QUILLMAR_WPAPSK", "the command line"
    bool fromEnvironment = false;
};

class SecretSources {
public:
    // --secrets FILE and --ask-secret NAME; with a password --password P and
    // --password-from-keyring.
    static QList<QCommandLineOption> options(const SecretUse& use);
    // What --help says of them.
    static QString help(const SecretUse& use);

    struct Refusal {
        QString message;
        bool usage = true;  // a usage error (exit status 2), else the file or terminal said no (1)
    };
    // Reads every source the command line names, and the environment; asks
    // --ask-secret's keys and password at once (a passphrase when it is
    // needed). Nothing is sent before this.
    std::optional<Refusal> read(const QCommandLineParser& parser, VerbContext& context, const SecretUse& use);

    // The one warning for the secrets given on the command line; empty when
    // there are none.
    QString commandLineWarning() const;

    // The value of `field` from --secrets, --ask-secret or the command line's
    // --password, else from the environment; null when none gives it.
    const SecretValue* value(SecretField field) const;
    bool passwordFromKeyring() const { return passwordFromKeyring_; }

    // Adds the Wi-Fi keys the sources give to `changes`: one given in
    // --secrets or --ask-secret replaces what `changes` holds from a file; one
    // from the environment fills in only a key `changes` does not set. Keys
    // given as words are in `changes` already. Returns "wpaPsk from ..." for
    // each key it added or replaced.
    QStringList addWifiKeys(std::vector<FieldChange>& changes) const;

    // The passphrase that opens the encrypted file `shown`: given, or asked
    // on the terminal once (and kept for the run). Nothing with `error`.
    std::optional<QByteArray> passphraseToOpen(VerbContext& context, const QString& shown, QString& error);
    // The passphrase to encrypt with: given, or asked twice on the terminal.
    std::optional<QByteArray> passphraseToSeal(VerbContext& context, QString& error);

private:
    std::optional<QByteArray> ask(VerbContext& context, const QString& prompt, bool twice, QString& error) const;
    std::optional<QByteArray> passphrase(VerbContext& context, const QString& prompt, bool twice, QString& error);

    std::map<SecretField, SecretValue> given_;        // the command line, --secrets, --ask-secret
    std::map<SecretField, SecretValue> environment_;  // QUILLMAR_*
    QStringList onCommandLine_;                       // names, for the warning
    bool askPassphrase_ = false;                      // --ask-secret passphrase, asked when needed
    bool passwordFromKeyring_ = false;
    std::optional<QByteArray> passphrase_;  // once asked
};

}  // namespace quillmar::cli
