#pragma once
// The known word a mistyped one was most likely meant to be, for "did you
// mean 'discover'?": the closest by letters inserted, dropped, changed or
// swapped, when it is close enough for the guess to help rather than confuse.
#include <QString>
#include <QStringList>

#include <optional>

namespace quillmar::cli {

// Nothing when no word is close: at most one edit for words of up to four
// letters, two up to eight, three beyond; or the one word `typed` begins.
std::optional<QString> nearestWord(const QString& typed, const QStringList& known);

}  // namespace quillmar::cli
