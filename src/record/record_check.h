#pragma once
// Whether 256 bytes that came from a printer are its settings record at all.
// A reply that is shifted (an echoed command or a leading byte too many in
// front) or plain noise still fills 256 bytes, and written back it would put
// the noise into the printer. A record is believed only when its MAC address,
// its IP address and its four coded fields read as the settings tools show
// them.
#include <optional>
#include <string>

#include "record/device_entry.h"

namespace quillmar {

// What does not parse, naming the field and its text as it can be shown
// (printableText): `macAddress "0a-1b" is not six hexadecimal pairs`. Nothing
// when the record parses. Checked: macAddress (six two-digit hexadecimal pairs
// joined by '-', ':' or '.'), ipAddress (a dotted IPv4 address), and ipMode,
// wifiMode, authMode and encryType (one of the items the tools offer, in any
// case), in that order; the first that fails is named.
std::optional<std::string> recordParseProblem(const DeviceEntry& record);

// True when every byte of the record is zero: a printer without settings.
bool isBlankRecord(const DeviceEntry& record);

}  // namespace quillmar
