#pragma once
// The fields `quillmar-cli config set` changes, given as name=value words with
// the record's field names (in any case; "ip" stays as a short name for
// ipAddress). Each value is checked with the rule of the configuration window's
// box for it before anything is sent; once merged into what the module
// reported, the fields whose rule depends on a changed one are checked too.
// Fields the user does not name are not checked: the window's "Save to Module"
// sends them back as they came.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

#include "config/config_form_values.h"
#include "record/device_entry.h"

namespace quillmar::cli {

struct FieldChange {
    DeviceField field;
    QString value;
};

// The field a name stands for, in any case ("ip" for ipAddress).
std::optional<DeviceField> fieldOfName(const QString& name);

// "name  what it takes" lines for --help, one per field, and a closing note.
QString settableFieldHelp();

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

// Whether any change gives a Wi-Fi key (key or wpaPsk) that is not empty.
bool carriesWifiKey(const std::vector<FieldChange>& changes);

// Each value by its field's rule, single-byte text first: the first failure as
// "field: message".
std::optional<QString> checkFieldChanges(const std::vector<FieldChange>& changes);

// Puts the values into what the window would hold for the module.
void applyFieldChanges(const std::vector<FieldChange>& changes, ConfigFormValues& values);

// After applyFieldChanges: what the changed fields constrain. The Wi-Fi mode
// offers the authentication modes, the authentication mode the encryption
// modes, and the encryption decides which key is sent, so a key given for the
// other case (which would silently not arrive) is refused.
std::optional<QString> checkDependentFields(const std::vector<FieldChange>& changes, const ConfigFormValues& values);

// The record a save sends to the module that reported `record` at `address`
// (first number in the top byte): what the configuration window would show for
// it, with the changes, as the window's "Save to Module" builds it. Nothing,
// with `message` set, when the changes' dependent fields or the texts break a
// rule, or when the module would be saved back at an address with a 255 in it.
std::optional<DeviceEntry> saveRecordWithChanges(const DeviceEntry& record, std::uint32_t address,
                                                 const std::vector<FieldChange>& changes, QString& message);

}  // namespace quillmar::cli
