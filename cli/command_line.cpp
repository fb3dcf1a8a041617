#include "command_line.h"

#include "exit_status.h"
#include "nearest_word.h"
#include "terminal_text.h"
#include "verb_registry.h"

namespace quillmar::cli {

namespace {

bool isHelp(const QString& word)
{
    return word == QLatin1String("--help") || word == QLatin1String("-h");
}

// The verbs whose names begin with `words`, a whole word at a time.
std::vector<const Verb*> verbsUnder(const std::vector<std::unique_ptr<Verb>>& verbs, const QStringList& words)
{
    std::vector<const Verb*> found;
    for (const auto& verb : verbs) {
        if (verb->name().split(u' ').mid(0, words.size()) == words)
            found.push_back(verb.get());
    }
    return found;
}

QString verbList(const std::vector<const Verb*>& verbs)
{
    qsizetype width = 0;
    for (const Verb* verb : verbs)
        width = std::max(width, verb->name().size());
    QString text;
    for (const Verb* verb : verbs)
        text += QStringLiteral("  ") + verb->name().leftJustified(width + 2) + verb->summary() + u'\n';
    return text;
}

// "; did you mean 'discover'?" when a known word is close to the one typed.
QString guess(const QString& typed, const QStringList& known, const QString& prefix = QString())
{
    const std::optional<QString> nearest = nearestWord(typed, known);
    return nearest ? QStringLiteral("; did you mean '%1%2'?").arg(prefix, *nearest) : QString();
}

QString programHelp(const std::vector<std::unique_ptr<Verb>>& verbs)
{
    return QStringLiteral("Usage: quillmar-cli VERB [ARGUMENTS] [OPTIONS]\n"
                          "       quillmar-cli VERB --help\n"
                          "\n"
                          "Manages POS printers that carry a Quillmar LAN or Wi-Fi module, from a terminal\n"
                          "or a script: tables for people, --json for scripts.\n"
                          "\n"
                          "Verbs:\n")
           + verbList(verbsUnder(verbs, {})) + QStringLiteral("\nExit status (the same for every verb):\n")
           + exitStatusHelp();
}

QString groupHelp(const QString& group, const std::vector<const Verb*>& verbs)
{
    QString text = QStringLiteral("Usage:\n");
    for (const Verb* verb : verbs)
        text += QStringLiteral("  ") + verb->usage() + u'\n';
    return text + QStringLiteral("\n(see quillmar-cli %1 VERB --help)\n").arg(group);
}

}  // namespace

int runCommandLine(const QStringList& arguments, VerbContext& context)
{
    const std::vector<std::unique_ptr<Verb>> verbs = makeVerbs();
    if (arguments.isEmpty()) {
        context.err << programHelp(verbs);
        return kUsageError;
    }
    if (isHelp(arguments.constFirst())) {
        context.out << programHelp(verbs);
        return kSuccess;
    }
    if (arguments.constFirst() == QLatin1String("--version") || arguments.constFirst() == QLatin1String("version")) {
        context.out << "quillmar-cli " QUILLMAR_VERSION "\n";
        return kSuccess;
    }

    // The longest verb name the first words spell.
    Verb* chosen = nullptr;
    qsizetype nameWords = 0;
    for (const auto& verb : verbs) {
        const QStringList words = verb->name().split(u' ');
        if (words.size() > nameWords && arguments.mid(0, words.size()) == words) {
            chosen = verb.get();
            nameWords = words.size();
        }
    }
    if (chosen)
        return chosen->run(arguments.mid(nameWords), context);

    // A group of verbs ("config") without one of them.
    const QString group = arguments.constFirst();
    const std::vector<const Verb*> members = verbsUnder(verbs, {group});
    if (!members.empty()) {
        if (arguments.size() > 1 && isHelp(arguments[1])) {
            context.out << groupHelp(group, members);
            return kSuccess;
        }
        if (arguments.size() > 1) {
            QStringList names;
            for (const Verb* verb : members)
                names << verb->name().section(u' ', 1, 1);
            context.err << "quillmar-cli: unknown verb '" << terminalText(group + u' ' + arguments[1]) << '\''
                        << guess(arguments[1], names, group + u' ') << '\n';
        } else {
            context.err << "quillmar-cli: " << group << " needs a verb\n";
        }
        context.err << groupHelp(group, members);
        return kUsageError;
    }
    QStringList firstWords;
    for (const auto& verb : verbs) {
        const QString first = verb->name().section(u' ', 0, 0);
        if (!firstWords.contains(first))
            firstWords << first;
    }
    context.err << "quillmar-cli: unknown verb '" << terminalText(group) << '\'' << guess(group, firstWords)
                << " (see quillmar-cli --help)\n";
    return kUsageError;
}

}  // namespace quillmar::cli
