#pragma once
// What a window's save sets: the fields whose boxes the user changed since the
// window showed the printer's record (or since its last confirmed save), with
// the boxes' texts. Everything else goes back as the printer holds it when the
// save reads it, so that a window opened from an out-of-date list row, or
// left open while someone else changed the printer, undoes nothing.
#include <vector>

#include "config/config_form_values.h"
#include "tools/tool_record.h"
#include "write/field_change.h"

namespace quillmar {

// The configuration window: the address by the module address control's value.
std::vector<FieldChange> windowChanges(const ConfigFormValues& shown, const ConfigFormValues& now);

// The settings tools: the address by the address box's value.
std::vector<FieldChange> toolChanges(const ToolBoxTexts& shown, const ToolBoxTexts& now);

}  // namespace quillmar
