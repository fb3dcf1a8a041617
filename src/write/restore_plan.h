#pragma once
// Putting a backup back into the printer it was taken of: what `config
// restore` and the manager's History window write. Every field the backup
// holds that the printer now holds otherwise goes back, its address included,
// but only into the same printer (its MAC) and only a record of a model of the
// same family; the write path then checks each field as config set checks it.
// A damaged backup, or one that would give the printer an address it could
// not be reached at, is refused before anything is read.
#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "record/device_entry.h"
#include "write/field_change.h"

namespace quillmar {

// Why `backup` may not be written to any printer (`name` is how the user
// knows the backup, its path); nothing when it may.
std::optional<QString> backupProblem(const DeviceEntry& backup, const QString& name);

struct RestoreWrite {
    std::string chosenMac;  // the printer the backup was taken of
    std::vector<FieldChange> changes;
};

// What goes to the printer that answered at `where` with `current`; nothing,
// with `refusal` set, when the backup is not of that printer or of its family.
std::optional<RestoreWrite> restoreWrite(const DeviceEntry& backup, const QString& name, const DeviceEntry& current,
                                         const QString& where, QString& refusal);

}  // namespace quillmar
