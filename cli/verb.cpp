#include "verb.h"

#include <algorithm>
#include <utility>

#include "nearest_word.h"

namespace quillmar::cli {

namespace {

const QCommandLineOption& helpOption()
{
    static const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                         QStringLiteral("show this help"));
    return help;
}

// "-h, --help" or "--tick-ms MS".
QString optionSyntax(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString syntax = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        syntax += u' ' + option.valueName();
    return syntax;
}

// Two columns, the second aligned.
QString table(const QList<std::pair<QString, QString>>& rows)
{
    qsizetype width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.first.size());
    QString text;
    for (const auto& [left, right] : rows)
        text += QStringLiteral("  ") + left.leftJustified(width + 2) + right + u'\n';
    return text;
}

}  // namespace

Verb::Verb(QString name, QString summary)
    : name_(std::move(name)), summary_(std::move(summary)), secrets_(std::make_unique<SecretSources>())
{
}

Verb::~Verb() = default;

void Verb::takeSecrets(const SecretUse& use)
{
    secretUse_ = use;
    for (const QCommandLineOption& option : SecretSources::options(use))
        addOption(option);
}

void Verb::addArgument(const QString& name, const QString& description, Count count)
{
    arguments_.append({name, description, count});
}

void Verb::addOption(const QCommandLineOption& option)
{
    options_.append(option);
}

void Verb::addRequiredOption(const QCommandLineOption& option)
{
    options_.append(option);
    requiredOptions_.append(option.names().constFirst());
}

QString Verb::usage() const
{
    QString text = QStringLiteral("quillmar-cli ") + name_;
    for (const Argument& argument : arguments_) {
        switch (argument.count) {
        case Count::One:
            text += u' ' + argument.name;
            break;
        case Count::Optional:
            text += QStringLiteral(" [") + argument.name + u']';
            break;
        case Count::OneOrMore:
            text += u' ' + argument.name + QStringLiteral("...");
            break;
        case Count::ZeroOrMore:
            text += QStringLiteral(" [") + argument.name + QStringLiteral("...]");
            break;
        }
    }
    for (const QCommandLineOption& option : options_) {
        const QString syntax = optionSyntax(option).section(QStringLiteral(", "), -1);
        text += requiredOptions_.contains(option.names().constFirst()) ? u' ' + syntax
                                                                       : QStringLiteral(" [") + syntax + u']';
    }
    return text;
}

QString Verb::helpText() const
{
    QString text = QStringLiteral("Usage: ") + usage() + QStringLiteral("\n\n") + summary_ + u'\n';
    if (!details_.isEmpty())
        text += u'\n' + details_ + u'\n';
    if (!arguments_.isEmpty()) {
        QList<std::pair<QString, QString>> rows;
        for (const Argument& argument : arguments_)
            rows.append({argument.name, argument.description});
        text += QStringLiteral("\nArguments:\n") + table(rows);
    }
    QList<std::pair<QString, QString>> rows;
    for (const QCommandLineOption& option : options_)
        rows.append({optionSyntax(option), option.description()});
    rows.append({optionSyntax(helpOption()), helpOption().description()});
    text += QStringLiteral("\nOptions:\n") + table(rows);
    text += QStringLiteral("\nExit status:\n") + exitStatusHelp();
    return text;
}

void Verb::setCompletion(const QString& argumentOrOption, CompletionHint hint)
{
    completions_.append({argumentOrOption, std::move(hint)});
}

QList<Verb::DeclaredArgument> Verb::declaredArguments() const
{
    QList<DeclaredArgument> declared;
    for (const Argument& argument : arguments_) {
        CompletionHint hint = completionHintOfName(argument.name);
        for (const auto& [name, set] : completions_) {
            if (name == argument.name)
                hint = set;
        }
        declared.append({argument.name, argument.count, hint});
    }
    return declared;
}

QList<Verb::DeclaredOption> Verb::declaredOptions() const
{
    QList<DeclaredOption> declared;
    for (const QCommandLineOption& option : options_) {
        CompletionHint hint = option.valueName().isEmpty() ? CompletionHint{}
                                                           : completionHintOfName(option.valueName());
        for (const auto& [name, set] : completions_) {
            if (option.names().contains(name))
                hint = set;
        }
        declared.append({option, hint});
    }
    declared.append({helpOption(), {}});
    return declared;
}

qsizetype Verb::leastArguments() const
{
    return std::count_if(arguments_.begin(), arguments_.end(), [](const Argument& argument) {
        return argument.count == Count::One || argument.count == Count::OneOrMore;
    });
}

int Verb::run(const QStringList& arguments, VerbContext& context)
{
    QCommandLineParser parser;
    parser.addOption(helpOption());
    for (const QCommandLineOption& option : options_)
        parser.addOption(option);
    // The first word is taken for the program's name and skipped.
    if (!parser.parse(QStringList{QStringLiteral("quillmar-cli")} + arguments)) {
        QString message = parser.errorText();
        if (const QStringList unknown = parser.unknownOptionNames(); unknown.size() == 1) {
            QStringList names{QStringLiteral("help")};
            for (const QCommandLineOption& option : options_)
                names << option.names().constLast();
            if (const std::optional<QString> nearest = nearestWord(unknown.constFirst(), names)) {
                if (message.endsWith(u'.'))
                    message.chop(1);
                message += QStringLiteral("; did you mean '--%1'?").arg(*nearest);
            }
        }
        return usageError(context, message);
    }
    if (parser.isSet(helpOption())) {
        context.out << helpText();
        return kSuccess;
    }

    const QStringList given = parser.positionalArguments();
    const bool unlimited = std::any_of(arguments_.begin(), arguments_.end(), [](const Argument& argument) {
        return argument.count == Count::OneOrMore || argument.count == Count::ZeroOrMore;
    });
    if (given.size() < leastArguments()) {
        QList<const Argument*> required;
        for (const Argument& argument : arguments_) {
            if (argument.count == Count::One || argument.count == Count::OneOrMore)
                required.append(&argument);
        }
        const Argument& missing = *required[std::min(given.size(), required.size() - 1)];
        return usageError(context, QStringLiteral("%1 is missing").arg(missing.name));
    }
    if (!unlimited && given.size() > arguments_.size())
        return usageError(context, QStringLiteral("'%1' is one argument too many").arg(given[arguments_.size()]));
    for (const QCommandLineOption& option : options_) {
        if (requiredOptions_.contains(option.names().constFirst()) && !parser.isSet(option))
            return usageError(context, optionSyntax(option).section(QStringLiteral(", "), -1) + " is missing");
    }
    if (secretUse_.any()) {
        // A fresh set per run: a verb object may run more than once (tests).
        secrets_ = std::make_unique<SecretSources>();
        if (const std::optional<SecretSources::Refusal> refused = secrets_->read(parser, context, secretUse_))
            return refused->usage ? usageError(context, refused->message) : fail(context, kRefused, refused->message);
        if (const QString warning = secrets_->commandLineWarning(); !warning.isEmpty()) {
            context.err << messagePrefix() << "warning: " << warning << '\n';
            context.err.flush();
        }
    }
    return execute(parser, context);
}

void Verb::addJsonOption(const QString& description)
{
    addOption({QStringLiteral("json"), description});
}

bool Verb::jsonWanted(const QCommandLineParser& parser)
{
    return parser.isSet(QStringLiteral("json"));
}

QString Verb::messagePrefix() const
{
    return QStringLiteral("quillmar-cli %1: ").arg(name_);
}

int Verb::fail(VerbContext& context, int status, const QString& message) const
{
    context.err << messagePrefix() << message << '\n';
    context.err.flush();
    return status;
}

int Verb::usageError(VerbContext& context, const QString& message) const
{
    fail(context, kUsageError, message);
    context.err << "Usage: " << usage() << "\n(see quillmar-cli " << name_ << " --help)\n";
    context.err.flush();
    return kUsageError;
}

}  // namespace quillmar::cli
