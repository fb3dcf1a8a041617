#include "completion_script.h"

#include <QMap>

#include "com_port_option.h"
#include "platform/com_port_map.h"
#include "record/coded_fields.h"

namespace quillmar::cli {

namespace {

using Kind = CompletionHint::Kind;

struct OptionModel {
    QStringList longNames;   // without the dashes
    QStringList shortNames;  // one letter each
    bool takesValue = false;
    CompletionHint hint;
    QString valueName;
    QString description;
};

// What a verb declares, as the scripts need it: its options, and what each
// argument position offers. Positions past the last declared one offer `rest`.
struct VerbModel {
    QString name;
    QString summary;
    QList<OptionModel> options;
    QList<QList<CompletionHint>> positions;
    QStringList positionNames;
    QList<CompletionHint> rest;
    QString restName;
};

void addHint(QList<CompletionHint>& hints, const CompletionHint& hint)
{
    if (hint.kind != Kind::Nothing && !hints.contains(hint))
        hints.append(hint);
}

VerbModel modelOf(const Verb& verb)
{
    VerbModel model{verb.name(), verb.summary(), {}, {}, {}, {}, {}};
    for (const Verb::DeclaredOption& declared : verb.declaredOptions()) {
        OptionModel option;
        for (const QString& name : declared.option.names())
            (name.size() == 1 ? option.shortNames : option.longNames) << name;
        option.takesValue = !declared.option.valueName().isEmpty();
        option.hint = declared.hint;
        option.valueName = declared.option.valueName();
        option.description = declared.option.description().simplified();
        model.options.append(option);
    }

    // Which declared arguments a word at position i may be: a repeating or
    // optional argument makes the ones after it movable. Position N stands
    // for every position from N on.
    const QList<Verb::DeclaredArgument> arguments = verb.declaredArguments();
    const auto repeats = [](Verb::Count count) {
        return count == Verb::Count::OneOrMore || count == Verb::Count::ZeroOrMore;
    };
    const qsizetype last = arguments.size();
    for (qsizetype position = 0; position <= last; ++position) {
        QList<CompletionHint> hints;
        QStringList names;
        qsizetype required = 0;  // required arguments before j: j's first position
        bool movable = false;    // a repeating argument before j: j has no last position
        for (qsizetype j = 0; j < arguments.size(); ++j) {
            const Verb::DeclaredArgument& argument = arguments[j];
            const bool covers = required <= position && (position <= j || repeats(argument.count) || movable)
                                && position < last;
            const bool coversRest = position == last && (repeats(argument.count) || movable);
            if (covers || coversRest) {
                addHint(hints, argument.hint);
                names << argument.name;
            }
            if (argument.count == Verb::Count::One || argument.count == Verb::Count::OneOrMore)
                ++required;
            movable = movable || repeats(argument.count);
        }
        if (position < last) {
            model.positions.append(hints);
            model.positionNames << names.join(u'|');
        } else {
            model.rest = hints;
            model.restName = names.join(u'|');
        }
    }
    return model;
}

std::vector<VerbModel> modelsOf(const std::vector<std::unique_ptr<Verb>>& verbs)
{
    std::vector<VerbModel> models;
    for (const auto& verb : verbs)
        models.push_back(modelOf(*verb));
    return models;
}

// The verbs' first words in registry order, and what each stands for: a verb's
// summary, or the verbs of a group ("config").
QList<std::pair<QString, QString>> firstWords(const std::vector<VerbModel>& verbs)
{
    QList<std::pair<QString, QString>> words;
    QMap<QString, QStringList> groups;
    for (const VerbModel& verb : verbs) {
        const QString first = verb.name.section(u' ', 0, 0);
        if (verb.name.contains(u' '))
            groups[first] << verb.name.section(u' ', 1);
        if (std::none_of(words.begin(), words.end(), [&first](const auto& word) { return word.first == first; }))
            words.append({first, verb.summary});
    }
    for (auto& [word, text] : words) {
        if (groups.contains(word))
            text = groups[word].join(QStringLiteral(", "));
    }
    return words;
}

QMap<QString, QStringList> codedFieldValues()
{
    const auto list = [](const auto& items) {
        QStringList words;
        for (const char* item : items)
            words << QString::fromLatin1(item);
        return words;
    };
    return {{QStringLiteral("ipMode"), list(kIpModeItems)},
            {QStringLiteral("wifiMode"), list(kWifiModeItems)},
            {QStringLiteral("authMode"), list(kAuthModeItems)},
            {QStringLiteral("encryType"), list(kEncryTypeItems)}};
}

// 'text' for a POSIX shell or fish: single quotes, a single quote inside
// closed, escaped and reopened.
QString quoted(const QString& text)
{
    QString inner = text;
    inner.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + inner + u'\'';
}

QString fishQuoted(const QString& text)
{
    QString inner = text;
    inner.replace(u'\\', QStringLiteral("\\\\"));
    inner.replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + inner + u'\'';
}

// One line of the hint table the bash and fish scripts share: a kind, then
// its words.
QString hintLine(const CompletionHint& hint)
{
    switch (hint.kind) {
    case Kind::Words:
        return QStringLiteral("words ") + hint.words.join(u' ');
    case Kind::Fields:
        return QStringLiteral("fields ") + hint.words.join(u' ');
    case Kind::Files:
        return QStringLiteral("files");
    case Kind::Directories:
        return QStringLiteral("dirs");
    case Kind::SerialPorts:
        return QStringLiteral("ports");
    case Kind::Nothing:
        break;
    }
    return {};
}

QString hintLines(const QList<CompletionHint>& hints)
{
    QStringList lines;
    for (const CompletionHint& hint : hints)
        lines << hintLine(hint);
    return lines.join(u'\n');
}

const QString kHeader = QStringLiteral("%1 completion for quillmar-cli, written by `quillmar-cli completion %2` from\n"
                                       "the program's verbs and the options each one declares: a newer program\n"
                                       "writes a newer script.\n");

QString commented(const QString& text, const QString& mark = QStringLiteral("# "))
{
    QString out;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts))
        out += mark + line + u'\n';
    return out;
}

QString bashScript(const std::vector<VerbModel>& verbs)
{
    QString s = commented(kHeader.arg(QStringLiteral("bash"), QStringLiteral("bash"))
                          + QStringLiteral("bash-completion loads it from its completions directory; by hand:\n"
                                           "source <(quillmar-cli completion bash)\n"));
    s += QStringLiteral("\n_quillmar_cli_verbs=(");
    for (const VerbModel& verb : verbs)
        s += quoted(verb.name) + (&verb == &verbs.back() ? QString() : QStringLiteral(" "));
    s += QStringLiteral(")\n\n");

    s += QStringLiteral("# A verb's options, and those of them that take a value.\n"
                        "_quillmar_cli_options()\n{\n    case $1 in\n");
    for (const VerbModel& verb : verbs) {
        QStringList all;
        QStringList valued;
        for (const OptionModel& option : verb.options) {
            for (const QString& name : option.shortNames)
                (option.takesValue ? valued : all) << u'-' + name;
            for (const QString& name : option.longNames)
                (option.takesValue ? valued : all) << QStringLiteral("--") + name;
        }
        all += valued;
        s += QStringLiteral("        %1)\n            _quillmar_cli_opts=%2\n            _quillmar_cli_valued=%3 ;;\n")
                 .arg(quoted(verb.name), quoted(all.join(u' ')), quoted(valued.join(u' ')));
    }
    s += QStringLiteral("    esac\n}\n\n");

    s += QStringLiteral("# What the value of a verb's option, or its argument at a position (from 0),\n"
                        "# offers: one line per kind (words, fields, files, dirs, ports) and its words.\n"
                        "_quillmar_cli_hint()\n{\n    case $1 in\n");
    const auto hintCase = [&s](const QString& key, const QList<CompletionHint>& hints, bool rest = false) {
        if (hints.isEmpty())
            return;
        s += QStringLiteral("        %1%2) echo %3 ;;\n")
                 .arg(quoted(key), rest ? QStringLiteral("[0-9]*") : QString(), quoted(hintLines(hints)));
    };
    for (const VerbModel& verb : verbs) {
        for (const OptionModel& option : verb.options) {
            for (const QString& name : option.longNames)
                hintCase(verb.name + QStringLiteral("|--") + name, {option.hint});
            for (const QString& name : option.shortNames)
                hintCase(verb.name + QStringLiteral("|-") + name, {option.hint});
        }
        for (qsizetype i = 0; i < verb.positions.size(); ++i)
            hintCase(verb.name + u'|' + QString::number(i), verb.positions[i]);
        hintCase(verb.name + u'|', verb.rest, true);
    }
    s += QStringLiteral("    esac\n}\n\n");

    s += QStringLiteral("# The values a coded field takes.\n_quillmar_cli_field_values()\n{\n    case $1 in\n");
    const QMap<QString, QStringList> values = codedFieldValues();
    for (auto it = values.begin(); it != values.end(); ++it)
        s += QStringLiteral("        %1) echo %2 ;;\n").arg(it.key(), quoted(it.value().join(u' ')));
    s += QStringLiteral("    esac\n}\n\n");

    s += QStringLiteral(R"SH(# Adds to COMPREPLY what a hint line offers for the word `cur`.
_quillmar_cli_offer()
{
    local cur=$1 program=$2 kind=$3 word
    shift 3
    case $kind in
        words)
            COMPREPLY+=($(compgen -W "$*" -- "$cur")) ;;
        files | dirs)
            compopt -o filenames 2>/dev/null
            local IFS=$'\n'
            if [[ $kind == dirs ]]; then
                COMPREPLY+=($(compgen -d -- "$cur"))
            else
                COMPREPLY+=($(compgen -f -- "$cur"))
            fi ;;
        ports)
            COMPREPLY+=($(compgen -W "$("$program" completion --ports 2>/dev/null)" -- "$cur")) ;;
        fields)
            if [[ $cur == *=* ]]; then
                local field=${cur%%=*}
                local values
                values=$(_quillmar_cli_field_values "$field")
                # Where "=" ends a word for bash, only the value is replaced.
                if [[ $COMP_WORDBREAKS == *=* ]]; then
                    COMPREPLY+=($(compgen -W "$values" -- "${cur#*=}"))
                else
                    COMPREPLY+=($(compgen -P "$field=" -W "$values" -- "${cur#*=}"))
                fi
            else
                compopt -o nospace 2>/dev/null
                COMPREPLY+=($(compgen -S = -W "$*" -- "$cur"))
            fi ;;
    esac
}

_quillmar_cli()
{
    local cur words cword
    if declare -F _get_comp_words_by_ref >/dev/null; then
        # A field's "=" and a MAC address's ":" do not end a word here.
        _get_comp_words_by_ref -n =: cur words cword
    else
        cur=${COMP_WORDS[COMP_CWORD]} words=("${COMP_WORDS[@]}") cword=$COMP_CWORD
    fi
    COMPREPLY=()

    # The verb: the longest name that the words before this one spell.
    local verb= used=0 name i match
    local -a parts
    for name in "${_quillmar_cli_verbs[@]}"; do
        read -ra parts <<<"$name"
        ((${#parts[@]} < cword && ${#parts[@]} > used)) || continue
        match=1
        for ((i = 0; i < ${#parts[@]}; i++)); do
            [[ ${words[i + 1]} == "${parts[i]}" ]] || { match=0; break; }
        done
        ((match)) && verb=$name used=${#parts[@]}
    done
    if [[ -z $verb ]]; then
        local -a offered=()
        if ((cword == 1)); then
            for name in "${_quillmar_cli_verbs[@]}"; do
                offered+=("${name%% *}")
            done
            offered+=(--help --version)
        elif ((cword == 2)); then
            for name in "${_quillmar_cli_verbs[@]}"; do
                [[ $name == "${words[1]} "* ]] && offered+=("${name#* }")
            done
        fi
        COMPREPLY=($(compgen -W "${offered[*]}" -- "$cur"))
        return
    fi

    local _quillmar_cli_opts= _quillmar_cli_valued=
    _quillmar_cli_options "$verb"
    # The words between the verb and this one: options, the values of those
    # that take one, and arguments, which are counted.
    local n=0 expect= ended= word
    for ((i = used + 1; i < cword; i++)); do
        word=${words[i]}
        if [[ -n $expect ]]; then
            expect=
        elif [[ -z $ended && $word == -- ]]; then
            ended=1
        elif [[ -z $ended && $word == -* ]]; then
            [[ $word != *=* && " $_quillmar_cli_valued " == *" $word "* ]] && expect=$word
        else
            ((n++))
        fi
    done
    local key=$n
    if [[ -n $expect ]]; then
        key=$expect
    elif [[ -z $ended && $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$_quillmar_cli_opts" -- "$cur"))
        return
    fi
    local hint
    while read -r hint; do
        [[ -n $hint ]] && _quillmar_cli_offer "$cur" "${words[0]}" $hint
    done < <(_quillmar_cli_hint "$verb|$key")
}

complete -F _quillmar_cli quillmar-cli
)SH");
    return s;
}

// An _arguments action for the hints of one position or value.
QString zshAction(const QList<CompletionHint>& hints)
{
    QStringList actions;
    for (const CompletionHint& hint : hints) {
        switch (hint.kind) {
        case Kind::Words:
            actions << QStringLiteral("compadd -- ") + hint.words.join(u' ');
            break;
        case Kind::Fields:
            actions << QStringLiteral("_quillmar_cli_fields ") + hint.words.join(u' ');
            break;
        case Kind::Files:
            actions << QStringLiteral("_files");
            break;
        case Kind::Directories:
            actions << QStringLiteral("_files -/");
            break;
        case Kind::SerialPorts:
            actions << QStringLiteral("_quillmar_cli_ports");
            break;
        case Kind::Nothing:
            break;
        }
    }
    if (actions.isEmpty())
        return QStringLiteral(" ");
    if (hints.size() == 1 && hints.front().kind == Kind::Words)
        return u'(' + hints.front().words.join(u' ') + u')';
    return u'{' + actions.join(QStringLiteral("; ")) + u'}';
}

// Text that _arguments shows: brackets end a description, colons a message.
QString zshText(QString text)
{
    text.replace(u'[', u'(').replace(u']', u')').replace(u':', QStringLiteral("\\:"));
    return text;
}

// A description _describe shows after "word:"; only the first colon divides.
QString zshDescription(QString text)
{
    return text.simplified();
}

QString zshScript(const std::vector<VerbModel>& verbs)
{
    QString s = QStringLiteral("#compdef quillmar-cli\n");
    s += commented(kHeader.arg(QStringLiteral("zsh"), QStringLiteral("zsh"))
                   + QStringLiteral("compinit loads it as _quillmar-cli from a directory of $fpath; by hand:\n"
                                    "source <(quillmar-cli completion zsh)\n"));
    s += QStringLiteral(R"SH(
_quillmar_cli_ports()
{
    local -a ports expl
    ports=(${(f)"$($_quillmar_cli_program completion --ports 2>/dev/null)"})
    _wanted ports expl 'serial port' compadd -a ports
}

# The field names a verb takes, each followed by "=", or after "=" the values
# of a coded field.
_quillmar_cli_fields()
{
    local -a values expl
    if compset -P '*='; then
        case ${IPREFIX%=} in
)SH");
    const QMap<QString, QStringList> values = codedFieldValues();
    for (auto it = values.begin(); it != values.end(); ++it)
        s += QStringLiteral("            %1) values=(%2) ;;\n").arg(it.key(), it.value().join(u' '));
    s += QStringLiteral(R"SH(        esac
        _wanted values expl 'value' compadd -a values
    else
        _wanted fields expl 'field' compadd -S '=' -- "$@"
    fi
}

_quillmar_cli()
{
    local _quillmar_cli_program=$words[1]
    local -a verbs parts offered
    verbs=()SH");
    for (const VerbModel& verb : verbs)
        s += quoted(verb.name) + (&verb == &verbs.back() ? QString() : QStringLiteral(" "));
    s += QStringLiteral(R"SH()
    # The verb: the longest name that the words before this one spell.
    local verb= used=0 name
    for name in $verbs; do
        parts=(${(s: :)name})
        if (( $#parts + 1 < CURRENT && $#parts > used )) && [[ "${(j: :)words[2,$#parts+1]}" == "$name" ]]; then
            verb=$name used=$#parts
        fi
    done
    if [[ -z $verb ]]; then
        if (( CURRENT == 2 )); then
            offered=()SH");
    for (const auto& [word, text] : firstWords(verbs))
        s += quoted(word + u':' + zshDescription(text)) + u' ';
    s += QStringLiteral("'--help:show the verbs' '--version:print the version')\n"
                        "            _describe -t verbs 'verb' offered\n"
                        "        elif (( CURRENT == 3 )); then\n"
                        "            case $words[2] in\n");
    QMap<QString, QStringList> groups;
    for (const VerbModel& verb : verbs) {
        if (verb.name.contains(u' '))
            groups[verb.name.section(u' ', 0, 0)]
                << quoted(verb.name.section(u' ', 1) + u':' + zshDescription(verb.summary));
    }
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        s += QStringLiteral("                %1) offered=(%2); _describe -t verbs '%1 verb' offered ;;\n")
                 .arg(it.key(), it.value().join(u' '));
    }
    s += QStringLiteral(R"SH(            esac
        fi
        return
    fi
    # _arguments sees the verb's own words, from the first argument on.
    words=("$words[1]" "${(@)words[used+2,-1]}")
    (( CURRENT -= used ))
    case $verb in
)SH");
    for (const VerbModel& verb : verbs) {
        QStringList zshArguments;
        for (const OptionModel& option : verb.options) {
            QStringList names;
            for (const QString& name : option.shortNames)
                names << u'-' + name;
            for (const QString& name : option.longNames)
                names << QStringLiteral("--") + name;
            const QString description = u'[' + zshText(option.description) + u']';
            QString value;
            if (option.takesValue)
                value = u':' + zshText(option.valueName) + u':' + zshAction({option.hint});
            if (names.size() == 1) {
                zshArguments << quoted(names.front() + (option.takesValue ? QStringLiteral("=") : QString())
                                       + description + value);
            } else {
                const QString exclusive = u'(' + names.join(u' ') + u')';
                for (const QString& name : names)
                    zshArguments << quoted(exclusive + name + (option.takesValue ? QStringLiteral("=") : QString())
                                           + description + value);
            }
        }
        for (qsizetype i = 0; i < verb.positions.size(); ++i)
            zshArguments << quoted(QString::number(i + 1) + u':' + zshText(verb.positionNames[i]) + u':'
                                   + zshAction(verb.positions[i]));
        if (!verb.restName.isEmpty())
            zshArguments << quoted(QStringLiteral("*:") + zshText(verb.restName) + u':' + zshAction(verb.rest));
        s += QStringLiteral("        %1)\n            _arguments -S \\\n                %2 ;;\n")
                 .arg(quoted(verb.name), zshArguments.join(QStringLiteral(" \\\n                ")));
    }
    s += QStringLiteral(R"SH(    esac
}

if [[ $funcstack[1] == _quillmar-cli ]]; then
    _quillmar_cli "$@"
else
    compdef _quillmar_cli quillmar-cli
fi
)SH");
    return s;
}

QString fishScript(const std::vector<VerbModel>& verbs)
{
    QString s = commented(kHeader.arg(QStringLiteral("fish"), QStringLiteral("fish"))
                          + QStringLiteral("fish loads it from its completions directories; by hand:\n"
                                           "quillmar-cli completion fish | source\n"));
    QStringList names;
    for (const VerbModel& verb : verbs)
        names << fishQuoted(verb.name);
    s += QStringLiteral(R"SH(
# The verb the words before the cursor name: the longest that they begin with.
function __quillmar_cli_verb
    set -l words (commandline -opc)
    set -e words[1]
    set -l found
    set -l used 0
    for name in %1
        set -l parts (string split ' ' -- $name)
        set -l n (count $parts)
        if test (count $words) -ge $n; and test $n -gt $used; and test "$words[1..$n]" = "$name"
            set found $name
            set used $n
        end
    end
    printf '%s\n' $found
end

# No verb yet, and the words typed are the program and, when given, the group $argv[1].
function __quillmar_cli_needs_verb
    set -l verb (__quillmar_cli_verb)
    test -z "$verb"; or return 1
    set -l words (commandline -opc)
    if set -q argv[1]
        test (count $words) -eq 2; and test "$words[2]" = "$argv[1]"
    else
        test (count $words) -eq 1
    end
end

function __quillmar_cli_verb_is
    set -l verb (__quillmar_cli_verb)
    test "$verb" = "$argv[1]"
end

# The options of a verb that take a value.
function __quillmar_cli_valued
    switch $argv[1]
)SH")
             .arg(names.join(u' '));
    for (const VerbModel& verb : verbs) {
        QStringList valued;
        for (const OptionModel& option : verb.options) {
            if (!option.takesValue)
                continue;
            for (const QString& name : option.shortNames)
                valued << u'-' + name;
            for (const QString& name : option.longNames)
                valued << QStringLiteral("--") + name;
        }
        if (!valued.isEmpty())
            s += QStringLiteral("        case %1\n            printf '%s\\n' %2\n")
                     .arg(fishQuoted(verb.name), valued.join(u' '));
    }
    s += QStringLiteral(R"SH(    end
end

# "verb|position" of the argument the cursor is on (positions from 0), past
# the options and the values of those that take one; false on an option.
function __quillmar_cli_position
    set -l verb (__quillmar_cli_verb)
    test -n "$verb"; or return 1
    set -l words (commandline -opc)
    set -l used (count (string split ' ' -- $verb))
    set -l valued (__quillmar_cli_valued $verb)
    set -l n 0
    set -l expect 0
    set -l ended 0
    set -l first (math $used + 2)
    if test (count $words) -ge $first
        for word in $words[$first..-1]
            if test $expect -eq 1
                set expect 0
            else if test $ended -eq 0; and test "$word" = --
                set ended 1
            else if test $ended -eq 0; and string match -q -- '-*' $word
                if not string match -q -- '*=*' $word; and contains -- $word $valued
                    set expect 1
                end
            else
                set n (math $n + 1)
            end
        end
    end
    test $expect -eq 0; or return 1
    if test $ended -eq 0; and string match -q -- '-*' (commandline -ct)
        return 1
    end
    echo "$verb|$n"
end

# What an argument offers (see __quillmar_cli_position): one line per kind
# (words, fields, files, dirs, ports) and its words.
function __quillmar_cli_hint
    switch $argv[1]
)SH");
    const auto hintCase = [&s](const QString& key, const QList<CompletionHint>& hints, bool rest = false) {
        if (hints.isEmpty())
            return;
        // Quoted, a case's "*" matches any position; bare, fish would expand it
        // to file names.
        s += QStringLiteral("        case %1\n").arg(fishQuoted(rest ? key + u'*' : key));
        for (const CompletionHint& hint : hints)
            s += QStringLiteral("            echo %1\n").arg(fishQuoted(hintLine(hint)));
    };
    for (const VerbModel& verb : verbs) {
        for (qsizetype i = 0; i < verb.positions.size(); ++i)
            hintCase(verb.name + u'|' + QString::number(i), verb.positions[i]);
        hintCase(verb.name + u'|', verb.rest, true);
    }
    s += QStringLiteral("    end\nend\n\n# The values a coded field takes.\nfunction __quillmar_cli_field_values\n"
                        "    switch $argv[1]\n");
    const QMap<QString, QStringList> values = codedFieldValues();
    for (auto it = values.begin(); it != values.end(); ++it)
        s += QStringLiteral("        case %1\n            printf '%s\\n' %2\n").arg(it.key(), it.value().join(u' '));
    s += QStringLiteral(R"SH(    end
end

function __quillmar_cli_ports
    set -l program (commandline -opc)[1]
    command $program completion --ports 2>/dev/null
end

# Whether the argument the cursor is on offers the kind $argv[1].
function __quillmar_cli_offers
    set -l key (__quillmar_cli_position); or return 1
    for hint in (__quillmar_cli_hint $key)
        test (string split ' ' -- $hint)[1] = $argv[1]; and return 0
    end
    return 1
end

# The words the argument the cursor is on offers.
function __quillmar_cli_words
    set -l key (__quillmar_cli_position); or return
    for hint in (__quillmar_cli_hint $key)
        set -l parts (string split ' ' -- $hint)
        switch $parts[1]
            case words
                printf '%s\n' $parts[2..-1]
            case ports
                __quillmar_cli_ports
            case fields
                set -l token (commandline -ct)
                if string match -q -- '*=*' $token
                    set -l field (string split -m 1 = -- $token)[1]
                    for value in (__quillmar_cli_field_values $field)
                        printf '%s=%s\n' $field $value
                    end
                else
                    printf '%s=\n' $parts[2..-1]
                end
        end
    end
end

complete -c quillmar-cli -f
complete -c quillmar-cli -n __quillmar_cli_needs_verb -l help -d 'show the verbs'
complete -c quillmar-cli -n __quillmar_cli_needs_verb -l version -d 'print the version'
)SH");
    for (const auto& [word, text] : firstWords(verbs))
        s += QStringLiteral("complete -c quillmar-cli -n __quillmar_cli_needs_verb -a %1 -d %2\n")
                 .arg(fishQuoted(word), fishQuoted(text));
    for (const VerbModel& verb : verbs) {
        if (verb.name.contains(u' '))
            s += QStringLiteral("complete -c quillmar-cli -n %1 -a %2 -d %3\n")
                     .arg(fishQuoted(QStringLiteral("__quillmar_cli_needs_verb ") + verb.name.section(u' ', 0, 0)),
                          fishQuoted(verb.name.section(u' ', 1)), fishQuoted(verb.summary));
    }
    for (const VerbModel& verb : verbs) {
        const QString condition = fishQuoted(QStringLiteral("__quillmar_cli_verb_is ") + quoted(verb.name));
        for (const OptionModel& option : verb.options) {
            QString line = QStringLiteral("complete -c quillmar-cli -n ") + condition;
            for (const QString& name : option.shortNames)
                line += QStringLiteral(" -s ") + name;
            for (const QString& name : option.longNames)
                line += QStringLiteral(" -l ") + name;
            line += QStringLiteral(" -d ") + fishQuoted(option.description);
            if (option.takesValue) {
                switch (option.hint.kind) {
                case Kind::Files:
                    line += QStringLiteral(" -r -F");
                    break;
                case Kind::Directories:
                    line += QStringLiteral(" -x -a '(__fish_complete_directories)'");
                    break;
                case Kind::SerialPorts:
                    line += QStringLiteral(" -x -a '(__quillmar_cli_ports)'");
                    break;
                case Kind::Words:
                case Kind::Fields:
                    line += QStringLiteral(" -x -a ") + fishQuoted(option.hint.words.join(u' '));
                    break;
                case Kind::Nothing:
                    line += QStringLiteral(" -x");
                    break;
                }
            }
            s += line + u'\n';
        }
    }
    s += QStringLiteral(R"SH(complete -c quillmar-cli -n '__quillmar_cli_offers files' -F
complete -c quillmar-cli -n '__quillmar_cli_offers dirs' -a '(__fish_complete_directories)'
complete -c quillmar-cli -n __quillmar_cli_position -a '(__quillmar_cli_words)'
)SH");
    return s;
}

}  // namespace

QStringList completionShells()
{
    return {QStringLiteral("bash"), QStringLiteral("zsh"), QStringLiteral("fish")};
}

std::optional<QString> completionScript(const QString& shell, const std::vector<std::unique_ptr<Verb>>& verbs)
{
    const std::vector<VerbModel> models = modelsOf(verbs);
    if (shell == QLatin1String("bash"))
        return bashScript(models);
    if (shell == QLatin1String("zsh"))
        return zshScript(models);
    if (shell == QLatin1String("fish"))
        return fishScript(models);
    return std::nullopt;
}

QStringList completionSerialPorts()
{
    QStringList ports;
    for (int number = 1; number <= kHighestComPort; ++number) {
        if (comPortExists(number))
            ports << QStringLiteral("COM%1").arg(number);
    }
    return ports + serialDevices();
}

}  // namespace quillmar::cli
