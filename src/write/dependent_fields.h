#pragma once
// What a write's changed Wi-Fi fields constrain, by the configuration window's
// choices (its rules) or the settings tools' choices (theirs):
// the Wi-Fi mode offers the authentication modes, the authentication mode the
// encryptions, and the encryption decides which key goes out, so a key given
// for the other case (which would silently not arrive) is refused.
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>
#include <vector>

#include "write/field_change.h"

namespace quillmar {

// The choices as the write would leave them, each with what it offers.
struct WifiChoicesAfter {
    QString wifiMode;
    QString authMode;
    QString encryType;
    QStringList authModesOffered;                  // by wifiMode
    std::optional<QStringList> encryTypesOffered;  // by authMode; nothing: any
    // The window's items are matched as spelled, the tools' in any case.
    Qt::CaseSensitivity matching = Qt::CaseSensitive;
};

// How the verb speaks of its write: "sent" to the "module" (config set),
// "written" to the "printer" (the tools).
struct WriteWords {
    QString done;
    QString holder;
};

// The first choice or key that does not fit, as a sentence; nothing when all
// fit. Only what the changes touch is checked: the printer's own settings go
// back as they are.
std::optional<QString> checkDependentFields(const std::vector<FieldChange>& changes, const WifiChoicesAfter& after,
                                            const WriteWords& words);

}  // namespace quillmar
