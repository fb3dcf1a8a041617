#pragma once
// A record field's script name (field_names.h) as the command line prints it:
// JSON keys, table headers, the "field: from -> to" lines, refusals.
#include <QString>

#include "record/field_names.h"
#include "record/single_byte_text.h"

namespace quillmar::cli {

inline QString nameOf(DeviceField field)
{
    return fromSingleByte(fieldName(field));
}

}  // namespace quillmar::cli
