#include "config/several_printers.h"

#include <algorithm>

namespace quillmar {

namespace {

bool allHoldAlike(const std::vector<DeviceEntry>& printers, DeviceField field)
{
    return std::all_of(printers.begin(), printers.end(),
                       [&](const DeviceEntry& printer) { return printer.text(field) == printers.front().text(field); });
}

}  // namespace

bool isSharedField(DeviceField field)
{
    switch (field) {
    case DeviceField::ModelName:
    case DeviceField::DeviceName:
    case DeviceField::MacAddress:
    case DeviceField::IpAddress:
        return false;
    default:
        return true;
    }
}

DeviceEntry sharedRecord(const std::vector<DeviceEntry>& printers)
{
    DeviceEntry shared;
    if (printers.empty())
        return shared;
    for (const FieldLayout& layout : deviceFieldLayout()) {
        const bool shown = isSharedField(layout.field) || layout.field == DeviceField::ModelName;
        if (shown && allHoldAlike(printers, layout.field))
            shared.setText(layout.field, printers.front().text(layout.field));
    }
    return shared;
}

std::vector<DeviceField> differingFields(const std::vector<DeviceEntry>& printers)
{
    std::vector<DeviceField> fields;
    if (printers.empty())
        return fields;
    for (const FieldLayout& layout : deviceFieldLayout()) {
        if (isSharedField(layout.field) && !allHoldAlike(printers, layout.field))
            fields.push_back(layout.field);
    }
    return fields;
}

}  // namespace quillmar
