#pragma once
// The names of the record's thirteen fields as scripts spell them: the keys of
// the command line's JSON, the fields `quillmar-cli config set` takes and the
// simulator's module options all use these, so one can be fed into the other.
#include <optional>
#include <string_view>

#include "record/config_block.h"
#include "record/device_entry.h"

namespace quillmar {

// "modelName", "deviceName", "macAddress", "ipAddress", "tcpPort", "udpPort",
// "ipMode", "wifiMode", "authMode", "encryType", "ssid", "key", "wpaPsk".
std::string_view fieldName(DeviceField field);

// The field of that name, spelled exactly; nothing for any other text.
std::optional<DeviceField> fieldNamed(std::string_view name);

// The configuration window's extended settings area by the same rule:
// "opModeCode", "serialBaud", "dpDelimOn", "ipFilterRange", ...
std::string_view fieldName(ConfigField field);

}  // namespace quillmar
