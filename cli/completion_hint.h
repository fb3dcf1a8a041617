#pragma once
// What a shell offers when Tab is pressed on an argument or an option's value.
// Most values say it by the name --help shows for them: "1|2" offers 1 and 2,
// FILE (or a name with an extension, FILE.csv, OUT.anf) the files, DIR the
// directories, COMn|DEVICE the serial ports that are there. A verb sets the
// rest itself (Verb::setCompletion): the field names its NAME=VALUE takes.
#include <QString>
#include <QStringList>

#include <utility>

namespace quillmar::cli {

struct CompletionHint {
    enum class Kind { Nothing, Words, Fields, Files, Directories, SerialPorts };
    Kind kind = Kind::Nothing;
    // Words: the choices; Fields: the field names, each offered with "=".
    QStringList words;

    bool operator==(const CompletionHint&) const = default;
};

CompletionHint completionHintOfName(const QString& valueName);

inline CompletionHint wordsHint(QStringList words)
{
    return {CompletionHint::Kind::Words, std::move(words)};
}

inline CompletionHint fieldsHint(QStringList names)
{
    return {CompletionHint::Kind::Fields, std::move(names)};
}

}  // namespace quillmar::cli
