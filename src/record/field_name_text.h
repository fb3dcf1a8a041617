#pragma once
// A record field's script name (field_names.h) as messages and the command line print it:
// JSON keys, table headers, the "field: from -> to" lines, refusals.
#include <QString>

#include "record/field_names.h"
#include "record/single_byte_text.h"

namespace quillmar {

inline QString nameOf(DeviceField field)
{
    return fromSingleByte(fieldName(field));
}

}  // namespace quillmar
