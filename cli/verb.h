#pragma once
// The base of every quillmar-cli verb. A verb declares its name, what it does,
// its arguments and its options; run() parses the words after the verb's name
// on QCommandLineParser, answers --help, refuses an unknown option or a wrong
// number of arguments with a message and exit status 2, and only then calls the
// verb's execute(). A new verb is one file that derives from Verb (or from
// ModuleVerb) and one line in verb_registry.cpp.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

#include "completion_hint.h"
#include "exit_status.h"
#include "secret_sources.h"
#include "verb_context.h"

namespace quillmar::cli {

class Verb {
public:
    virtual ~Verb();
    Verb(const Verb&) = delete;
    Verb& operator=(const Verb&) = delete;

    // As typed after the program's name: "discover", "config show".
    const QString& name() const { return name_; }
    // One line for the list of verbs.
    const QString& summary() const { return summary_; }
    // "quillmar-cli config show ADDRESS [--json]".
    QString usage() const;
    QString helpText() const;
    // How many positional arguments the verb needs at least.
    qsizetype leastArguments() const;

    // `arguments` are the words after the verb's name; returns the exit status.
    int run(const QStringList& arguments, VerbContext& context);

    // ZeroOrMore ("[ADDRESS...]") may stand before a OneOrMore argument; the
    // verb then tells the words apart itself.
    enum class Count { One, Optional, OneOrMore, ZeroOrMore };

    // What the verb declares, for the shells' completion scripts: each
    // argument and option (--help included) with what completes its value.
    struct DeclaredArgument {
        QString name;
        Count count;
        CompletionHint hint;
    };
    struct DeclaredOption {
        QCommandLineOption option;
        CompletionHint hint;  // for an option that takes a value
    };
    QList<DeclaredArgument> declaredArguments() const;
    QList<DeclaredOption> declaredOptions() const;

protected:
    Verb(QString name, QString summary);

    // Positional arguments, in the order they are given; a Count::OneOrMore
    // argument is the last.
    void addArgument(const QString& name, const QString& description, Count count = Count::One);
    void addOption(const QCommandLineOption& option);
    // An option the verb cannot run without ("--port COMn"); run() refuses a
    // command line that lacks it.
    void addRequiredOption(const QCommandLineOption& option);
    // "--json", with what it prints for this verb.
    void addJsonOption(const QString& description);
    static bool jsonWanted(const QCommandLineParser& parser);
    // Text that --help shows between the usage line and the arguments.
    void setDetails(const QString& text) { details_ = text; }
    // Declares the options of the secrets the verb takes (secret_sources.h);
    // run() reads them, and says once that a secret on the command line can
    // be read there, before execute() runs.
    void takeSecrets(const SecretUse& use);
    SecretSources& secrets() { return *secrets_; }
    // What completes an argument's or an option's value (by its name) where
    // the value's name alone does not say it (completion_hint.h).
    void setCompletion(const QString& argumentOrOption, CompletionHint hint);

    // Runs the verb once its command line is known to be well formed.
    virtual int execute(const QCommandLineParser& parser, VerbContext& context) = 0;

    // "quillmar-cli <verb>: ", before every line the verb writes to standard
    // error.
    QString messagePrefix() const;
    // "quillmar-cli <verb>: <message>" on standard error; returns `status`.
    int fail(VerbContext& context, int status, const QString& message) const;
    // The same with kUsageError, followed by the usage line.
    int usageError(VerbContext& context, const QString& message) const;

private:
    struct Argument {
        QString name;
        QString description;
        Count count;
    };

    QString name_;
    QString summary_;
    QString details_;
    QList<Argument> arguments_;
    QList<QCommandLineOption> options_;
    QStringList requiredOptions_;  // by their first name
    SecretUse secretUse_;
    std::unique_ptr<SecretSources> secrets_;
    QList<std::pair<QString, CompletionHint>> completions_;
};

}  // namespace quillmar::cli
