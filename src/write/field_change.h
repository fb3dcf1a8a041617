#pragma once
// A field of a printer's record and the text a write gives it: what the user
// set, from a box of a window, a NAME=VALUE word or a cell of a site table.
// A write changes only these fields on the record it read just before.
#include <QString>

#include <initializer_list>
#include <vector>

#include "record/device_entry.h"

namespace quillmar {

struct FieldChange {
    DeviceField field;
    QString value;
};

// The change of `field`, or null.
const FieldChange* changeOf(const std::vector<FieldChange>& changes, DeviceField field);
bool changesAny(const std::vector<FieldChange>& changes, std::initializer_list<DeviceField> fields);

// Whether any change gives a Wi-Fi key (key or wpaPsk) that is not empty.
bool carriesWifiKey(const std::vector<FieldChange>& changes);

}  // namespace quillmar
