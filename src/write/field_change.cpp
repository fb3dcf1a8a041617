#include "write/field_change.h"

#include <algorithm>

namespace quillmar {

const FieldChange* changeOf(const std::vector<FieldChange>& changes, DeviceField field)
{
    const auto found = std::find_if(changes.begin(), changes.end(),
                                    [field](const FieldChange& change) { return change.field == field; });
    return found == changes.end() ? nullptr : &*found;
}

bool changesAny(const std::vector<FieldChange>& changes, std::initializer_list<DeviceField> fields)
{
    return std::any_of(fields.begin(), fields.end(), [&changes](DeviceField f) { return changeOf(changes, f); });
}

bool carriesWifiKey(const std::vector<FieldChange>& changes)
{
    return std::any_of(changes.begin(), changes.end(), [](const FieldChange& change) {
        return (change.field == DeviceField::Key || change.field == DeviceField::WpaPsk) && !change.value.isEmpty();
    });
}

}  // namespace quillmar
