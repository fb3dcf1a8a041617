#pragma once
// What the configuration window holds after its show-time fill, worked out
// without a window: the window fills its controls from it, and the command line
// builds the same values from a module's record to run the window's validation
// and build the window's save record.
#include <cstdint>
#include <optional>
#include <string>

#include "config/config_form_values.h"
#include "record/config_block.h"
#include "record/device_entry.h"

namespace quillmar {

// The controls of a window that has just been built, before any fill.
ConfigFormValues laidOutFormValues();

struct OpenedForm {
    ConfigFormValues values;
    // The fill stops at the TCP window size when its index is not a number:
    // the conversion error's message; the values after that step stay as shown.
    std::optional<std::string> stoppedAt;
};

// The fill of `block` over controls that show `shown`: a field the block leaves
// empty, or a choice it does not decide, keeps what was shown.
OpenedForm openedFormValues(const ConfigBlock& block, const ConfigFormValues& shown);

// The working block a window opened on `record` owns: the record with the
// opened address (first number in the top byte, where the module answered) as
// its IP text and the MAC text upper-cased.
ConfigBlock configBlockFromRecord(const DeviceEntry& record, std::uint32_t openedAddress);

// What a newly opened window shows for a module's record.
ConfigFormValues formValuesFromRecord(const DeviceEntry& record, std::uint32_t openedAddress);

}  // namespace quillmar
