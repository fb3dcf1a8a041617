#pragma once
// A record as the key=value list quillmar-sim's --module and --settings-pty take.
#include <string>

#include "record/device_entry.h"
#include "record/field_names.h"

namespace quillmar::test {

inline std::string simFieldsOf(const DeviceEntry& record)
{
    std::string keys;
    for (const FieldLayout& layout : deviceFieldLayout())
        keys += "," + std::string(fieldName(layout.field)) + "=" + record.text(layout.field);
    return keys;
}

}  // namespace quillmar::test
