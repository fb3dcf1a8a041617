#pragma once
// What a printer's radio takes, whatever a window's box lets through: a
// network name of 1 to 32 bytes, a WPA/WPA2 passphrase of 8 to 63 printable
// ASCII characters or 64 hexadecimal digits, a WEP key of 5 or 13 characters
// or 10 or 26 hexadecimal digits. A printer given anything else restarts and
// never joins its network, and only a serial cable brings it back.
#include <QString>

#include <optional>
#include <vector>

#include "record/device_entry.h"
#include "write/field_change.h"

namespace quillmar {

// The rule `record` (the record a write would leave) breaks, as "field: rule
// (what it has)", for the fields the changes touch: the SSID when it changes,
// and the key its encryption sends when the encryption, the authentication or
// a key changes. Nothing when the radio takes it.
std::optional<QString> radioRuleProblem(const std::vector<FieldChange>& changes, const DeviceEntry& record);

}  // namespace quillmar
