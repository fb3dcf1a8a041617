#pragma once
// What the configuration window would hold right after opening a module: the
// command line builds the same values from the module's record, so that it can
// run the window's validation and build the window's save record.
#include <cstdint>

#include "config/config_form_values.h"
#include "record/config_block.h"
#include "record/device_entry.h"

namespace quillmar {

// `openedAddress` (first number in the top byte) is where the module answered:
// the address the window's octet fields and address control would show. The
// serial, packing and window-size settings are off or empty, as for every
// module the search finds.
ConfigFormValues formValuesFromRecord(const DeviceEntry& record, std::uint32_t openedAddress);

// The working block the window would own: the record with the opened address
// as its IP text and the MAC text upper-cased.
ConfigBlock configBlockFromRecord(const DeviceEntry& record, std::uint32_t openedAddress);

}  // namespace quillmar
