// quillmar-cli completion bash|zsh|fish: the shell's completion script, made
// from the verbs and options of this very program; --ports lists the serial
// ports --port offers, for the scripts to ask at the moment Tab is pressed.
#include <memory>

#include "completion_script.h"
#include "terminal_text.h"
#include "verb.h"
#include "verb_registry.h"

namespace quillmar::cli {

namespace {

class CompletionVerb final : public Verb {
public:
    CompletionVerb()
        : Verb(QStringLiteral("completion"), QStringLiteral("print the shell's completion script for quillmar-cli"))
    {
        addArgument(QStringLiteral("SHELL"), completionShells().join(QStringLiteral(", ")), Count::Optional);
        setCompletion(QStringLiteral("SHELL"), wordsHint(completionShells()));
        addOption({QStringLiteral("ports"),
                   QStringLiteral("list the serial ports --port offers (COMn whose device is there, then the "
                                  "devices), one a line")});
        setDetails(QStringLiteral("Prints a script that makes SHELL complete quillmar-cli's verbs, their options,\n"
                                  "the values an option takes, files, the field names of config set, com write\n"
                                  "and usb write (and after ipMode=, wifiMode=, authMode= and encryType= their\n"
                                  "values), and after --port the serial ports there are. The Debian package\n"
                                  "installs the scripts where bash-completion, zsh and fish look for them; by hand:\n"
                                  "  source <(quillmar-cli completion bash)      (in ~/.bashrc)\n"
                                  "  source <(quillmar-cli completion zsh)       (in ~/.zshrc, after compinit)\n"
                                  "  quillmar-cli completion fish | source       (in ~/.config/fish/config.fish)"));
    }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) override
    {
        const QStringList arguments = parser.positionalArguments();
        if (parser.isSet(QStringLiteral("ports"))) {
            if (!arguments.isEmpty())
                return usageError(context, QStringLiteral("--ports takes no SHELL"));
            for (const QString& port : completionSerialPorts())
                context.out << port << '\n';
            return kSuccess;
        }
        if (arguments.isEmpty())
            return usageError(
                context, QStringLiteral("SHELL is missing (%1)").arg(completionShells().join(QStringLiteral(", "))));
        const std::optional<QString> script = completionScript(arguments.front(), makeVerbs());
        if (!script) {
            return usageError(context,
                              QStringLiteral("no completion for '%1' (%2)")
                                  .arg(terminalText(arguments.front()), completionShells().join(QStringLiteral(", "))));
        }
        context.out << *script;
        return kSuccess;
    }
};

}  // namespace

std::unique_ptr<Verb> makeCompletionVerb()
{
    return std::make_unique<CompletionVerb>();
}

}  // namespace quillmar::cli
