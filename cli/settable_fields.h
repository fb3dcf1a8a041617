#pragma once
// The fields the write verbs change, given as name=value words with the
// record's field names (in any case; "ip" stays as a short name for
// ipAddress). What each value must be is the write path's rules
// (write/field_rules.h); here the words become FieldChanges.
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "record/device_entry.h"
#include "write/field_change.h"

namespace quillmar::cli {

// The field a name stands for, in any case ("ip" for ipAddress).
std::optional<DeviceField> fieldOfName(const QString& name);

// Which verb takes the words, and the record's fields it does not change.
struct FieldChangeVerb {
    QString name = QStringLiteral("config set");
    std::vector<DeviceField> fixed{DeviceField::ModelName, DeviceField::MacAddress};
    // Follows the field's name in the refusal.
    QString whyFixed = QStringLiteral("is the module's own and is not changed by config set");
};

// Splits "name=value" words. Nothing, with `error` set, for a word without '=',
// an unknown name, a field the verb does not change (config set: modelName,
// macAddress) or a field given twice.
std::optional<std::vector<FieldChange>> parseFieldChanges(const QStringList& words, QString& error,
                                                          const FieldChangeVerb& verb = {});

// `com write` and `usb write` (the verb named `verb`): the fields the settings
// tools show read-only (modelName, macAddress, tcpPort, udpPort) are not
// changed.
FieldChangeVerb toolFieldChangeVerb(const QString& verb);

// parseFieldChanges with toolFieldChangeVerb(verb).
std::optional<std::vector<FieldChange>> parseToolFieldChanges(const QStringList& words, const QString& verb,
                                                              QString& error);

// The record's field names the verb changes, in the record's order: what a
// shell offers before "=".
QStringList settableFieldNames(const FieldChangeVerb& verb = {});

}  // namespace quillmar::cli
