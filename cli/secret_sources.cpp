#include "secret_sources.h"

#include <QtGlobal>

#include "system_bytes.h"
#include "terminal_secret.h"
#include "terminal_text.h"

namespace quillmar::cli {

namespace {

const QString kSecretsOption = QStringLiteral("secrets");
const QString kAskOption = QStringLiteral("ask-secret");
const QString kPasswordOption = QStringLiteral("password");
const QString kKeyringOption = QStringLiteral("password-from-keyring");

constexpr SecretField kAllFields[] = {SecretField::Key, SecretField::WpaPsk, SecretField::Password,
                                      SecretField::Passphrase};

DeviceField recordFieldOf(SecretField field)
{
    return field == SecretField::Key ? DeviceField::Key : DeviceField::WpaPsk;
}

QStringList namesTaken(const SecretUse& use)
{
    QStringList names;
    for (const SecretField field : kAllFields) {
        if (use.takes(field))
            names << secretFieldName(field);
    }
    return names;
}

// "key", "key and wpaPsk", "key, wpaPsk and password".
QString spokenList(const QStringList& names)
{
    if (names.size() < 2)
        return names.join(QString());
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + names.last();
}

}  // namespace

bool SecretUse::takes(SecretField field) const
{
    switch (field) {
    case SecretField::Key:
    case SecretField::WpaPsk:
        return wifiKeys;
    case SecretField::Password:
        return password;
    case SecretField::Passphrase:
        return passphrase;
    }
    return false;
}

QList<QCommandLineOption> SecretSources::options(const SecretUse& use)
{
    const QString names = namesTaken(use).join(QStringLiteral(", "));
    QList<QCommandLineOption> options{
        {kSecretsOption,
         QStringLiteral("read secrets (%1) from FILE's name=value lines, or from standard input for -; FILE must be "
                        "the user's own, mode 0600")
             .arg(names),
         QStringLiteral("FILE")},
        {kAskOption, QStringLiteral("ask for NAME (%1) on the terminal without showing it; repeatable").arg(names),
         QStringLiteral("NAME")},
    };
    if (use.password) {
        options.append({kPasswordOption,
                        QStringLiteral("the device's password (its first 8 characters count); other users can read "
                                       "it here: --secrets, --ask-secret password or QUILLMAR_PASSWORD keep it "
                                       "out of sight"),
                        QStringLiteral("P")});
        options.append({kKeyringOption, QStringLiteral("the password the desktop's secret store keeps for MAC (the "
                                                       "manager's password dialog with \"Remember\" stores it)")});
    }
    return options;
}

QString SecretSources::help(const SecretUse& use)
{
    QStringList variables;
    for (const SecretField field : kAllFields) {
        if (use.takes(field))
            variables << secretVariableName(field);
    }
    const QString twice = use.wifiKeys || use.passphrase ? QStringLiteral(" (a new key or passphrase twice)")
                                                         : QString();
    QString text = QStringLiteral("Secrets (%1) are best kept off the command line, where every user of the PC can "
                                  "read them while the verb runs and the shell keeps them: --secrets FILE reads "
                                  "name=value lines (from standard input for -; a file that others may read is "
                                  "refused), --ask-secret NAME asks on the terminal without echo%2, and %3 %4 in "
                                  "what neither gives.")
                       .arg(namesTaken(use).join(QStringLiteral(", ")), twice, spokenList(variables),
                            variables.size() == 1 ? QStringLiteral("fills") : QStringLiteral("fill"));
    if (use.password)
        text += QStringLiteral(" --password-from-keyring takes the password the desktop's secret store keeps for "
                               "MAC.");
    if (use.passphrase)
        text += QStringLiteral(" The passphrase of an encrypted file is asked on the terminal when none is given.");
    text += QStringLiteral(" A secret still given on the command line works, with a warning.");
    // Laid out as the rest of --help is, at most 79 columns.
    QString wrapped;
    qsizetype column = 0;
    for (const QString& word : text.split(u' ')) {
        if (column > 0 && column + 1 + word.size() > 79) {
            wrapped += u'\n';
            column = 0;
        } else if (column > 0) {
            wrapped += u' ';
            ++column;
        }
        wrapped += word;
        column += word.size();
    }
    return wrapped;
}

std::optional<SecretSources::Refusal> SecretSources::read(const QCommandLineParser& parser, VerbContext& context,
                                                          const SecretUse& use)
{
    const auto take = [this](SecretField field, const QByteArray& value,
                             const QString& origin) -> std::optional<Refusal> {
        if (const auto there = given_.find(field); there != given_.end()) {
            return Refusal{QStringLiteral("%1 is given twice: %2 and %3")
                               .arg(secretFieldName(field), there->second.origin, origin)};
        }
        given_[field] = {value, origin, false};
        return std::nullopt;
    };

    // The command line's own: key=... and wpaPsk=... words, --password.
    if (use.keysInWords) {
        for (const QString& word : parser.positionalArguments()) {
            const qsizetype equals = word.indexOf(u'=');
            const std::optional<SecretField> field = equals > 0 ? secretFieldOfName(word.left(equals)) : std::nullopt;
            // A word given twice is the word parser's to refuse, in its own words.
            if (!field || !use.takes(*field) || equals + 1 == word.size() || given_.count(*field) != 0)
                continue;
            onCommandLine_ << secretFieldName(*field);
            if (auto refused = take(*field, toSystemBytes(word.mid(equals + 1)), QStringLiteral("the command line")))
                return refused;
        }
    }
    if (use.password && parser.isSet(kPasswordOption)) {
        const QByteArray password = toSystemBytes(parser.value(kPasswordOption));
        if (!password.isEmpty())
            onCommandLine_ << secretFieldName(SecretField::Password);
        if (auto refused = take(SecretField::Password, password, QStringLiteral("--password")))
            return refused;
    }

    if (parser.isSet(kSecretsOption)) {
        const QByteArray path = toSystemBytes(parser.value(kSecretsOption));
        const QString origin = QStringLiteral("--secrets %1").arg(terminalText(path));
        QString error;
        const std::optional<QByteArray> text = readSecretsFile(path, error);
        if (!text)
            return Refusal{error + QStringLiteral("; nothing is sent"), false};
        const std::optional<SecretValues> values = parseSecretsText(*text, error);
        if (!values)
            return Refusal{QStringLiteral("%1: %2; nothing is sent").arg(origin, error)};
        // A file shared by several verbs may hold what this one does not take.
        for (const auto& [field, value] : *values) {
            if (!use.takes(field))
                continue;
            if (auto refused = take(field, value, origin))
                return refused;
        }
    }

    for (const QString& name : parser.values(kAskOption)) {
        const std::optional<SecretField> field = secretFieldOfName(name);
        if (!field || !use.takes(*field)) {
            return Refusal{QStringLiteral("--ask-secret takes %1, not '%2'")
                               .arg(namesTaken(use).join(QStringLiteral(", ")), terminalText(name))};
        }
        if (*field == SecretField::Passphrase) {
            if (askPassphrase_ || given_.count(*field) != 0)
                return Refusal{QStringLiteral("passphrase is given twice")};
            askPassphrase_ = true;
            continue;
        }
        if (given_.count(*field) != 0) {
            return Refusal{QStringLiteral("%1 is given twice: %2 and --ask-secret")
                               .arg(secretFieldName(*field), given_[*field].origin)};
        }
        // A new key goes to a printer: a typing slip would lock the printer
        // out of its network, so it is typed twice.
        const bool twice = *field != SecretField::Password;
        QString error;
        const std::optional<QByteArray> value = ask(context, secretFieldName(*field) + QStringLiteral(": "), twice,
                                                    error);
        if (!value)
            return Refusal{QStringLiteral("--ask-secret %1: %2; nothing is sent").arg(secretFieldName(*field), error)};
        given_[*field] = {*value, QStringLiteral("the terminal"), false};
    }

    if (use.password && parser.isSet(kKeyringOption)) {
        if (const auto there = given_.find(SecretField::Password); there != given_.end())
            return Refusal{
                QStringLiteral("password is given twice: %1 and --password-from-keyring").arg(there->second.origin)};
        passwordFromKeyring_ = true;
    }

    for (const SecretField field : kAllFields) {
        if (!use.takes(field))
            continue;
        const QString variable = secretVariableName(field);
        if (qEnvironmentVariableIsSet(variable.toLatin1().constData()))
            environment_[field] = {qgetenv(variable.toLatin1().constData()), variable, true};
    }
    return std::nullopt;
}

QString SecretSources::commandLineWarning() const
{
    if (onCommandLine_.isEmpty())
        return {};
    QStringList variables;
    for (const QString& name : onCommandLine_)
        variables << secretVariableName(*secretFieldOfName(name));
    return QStringLiteral("%1 %2 on the command line, where other users of this PC can read %3 while this runs "
                          "(ps, /proc) and the shell keeps %3 in its history; --secrets FILE, --ask-secret %4 or "
                          "%5 keep %3 out of sight")
        .arg(spokenList(onCommandLine_), onCommandLine_.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
             onCommandLine_.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"),
             onCommandLine_.size() == 1 ? onCommandLine_.constFirst() : QStringLiteral("NAME"),
             variables.join(QStringLiteral(", ")));
}

const SecretValue* SecretSources::value(SecretField field) const
{
    if (const auto found = given_.find(field); found != given_.end())
        return &found->second;
    // A password the secret store is asked for is not taken from the environment.
    if (field == SecretField::Password && passwordFromKeyring_)
        return nullptr;
    if (field == SecretField::Passphrase && askPassphrase_)
        return nullptr;
    if (const auto found = environment_.find(field); found != environment_.end())
        return &found->second;
    return nullptr;
}

QStringList SecretSources::addWifiKeys(std::vector<FieldChange>& changes) const
{
    QStringList added;
    for (const SecretField field : {SecretField::Key, SecretField::WpaPsk}) {
        const SecretValue* secret = value(field);
        if (!secret || secret->origin == QLatin1String("the command line"))
            continue;
        const DeviceField recordField = recordFieldOf(field);
        auto there = std::find_if(changes.begin(), changes.end(),
                                  [recordField](const FieldChange& change) { return change.field == recordField; });
        if (there != changes.end() && secret->fromEnvironment)
            continue;
        if (there == changes.end())
            there = changes.insert(changes.end(), FieldChange{recordField, QString()});
        there->value = fromSystemBytes(secret->value);
        added << QStringLiteral("%1 from %2").arg(secretFieldName(field), secret->origin);
    }
    return added;
}

std::optional<QByteArray> SecretSources::ask(VerbContext& context, const QString& prompt, bool twice,
                                             QString& error) const
{
    const auto askOnce = [&context, &error](const QString& text) {
        return context.askSecret ? context.askSecret(text, error) : askSecretOnTerminal(text, error);
    };
    const std::optional<QByteArray> first = askOnce(prompt);
    if (!first || !twice)
        return first;
    QString again = prompt;
    if (again.endsWith(QLatin1String(": ")))
        again.chop(2);
    const std::optional<QByteArray> second = askOnce(again + QStringLiteral(" (again): "));
    if (!second)
        return std::nullopt;
    if (*first != *second) {
        error = QStringLiteral("the two entries differ");
        return std::nullopt;
    }
    return first;
}

std::optional<QByteArray> SecretSources::passphrase(VerbContext& context, const QString& prompt, bool twice,
                                                    QString& error)
{
    if (passphrase_)
        return passphrase_;
    if (const SecretValue* given = value(SecretField::Passphrase))
        return given->value;
    std::optional<QByteArray> asked = ask(context, prompt, twice, error);
    if (!asked) {
        if (!askPassphrase_) {
            error += QStringLiteral(" (give it as passphrase= in --secrets FILE, or in %1)")
                         .arg(secretVariableName(SecretField::Passphrase));
        }
        return std::nullopt;
    }
    passphrase_ = asked;
    return asked;
}

std::optional<QByteArray> SecretSources::passphraseToOpen(VerbContext& context, const QString& shown, QString& error)
{
    return passphrase(context, QStringLiteral("Passphrase of %1: ").arg(shown), false, error);
}

std::optional<QByteArray> SecretSources::passphraseToSeal(VerbContext& context, QString& error)
{
    std::optional<QByteArray> chosen = passphrase(context, QStringLiteral("New passphrase: "), true, error);
    if (chosen && chosen->isEmpty()) {
        error = QStringLiteral("an empty passphrase protects nothing");
        return std::nullopt;
    }
    return chosen;
}

}  // namespace quillmar::cli
