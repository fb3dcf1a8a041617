#include "record/device_entry.h"

#include <algorithm>
#include <cstring>

#include "record/field_text.h"

namespace quillmar {

const std::array<FieldLayout, kDeviceFieldCount>& deviceFieldLayout()
{
    static const std::array<FieldLayout, kDeviceFieldCount> layout{{
        {DeviceField::ModelName, 0, 24, "Model Name"},
        {DeviceField::DeviceName, 24, 16, "Device Name"},
        {DeviceField::MacAddress, 40, 18, "MAC Address"},
        {DeviceField::IpAddress, 58, 16, "IP Address"},
        {DeviceField::TcpPort, 74, 10, "TCP Port"},
        {DeviceField::UdpPort, 84, 10, "UDP Port"},
        {DeviceField::IpMode, 94, 8, "IP Mode"},
        {DeviceField::WifiMode, 102, 6, "WIFI Mode"},
        {DeviceField::AuthMode, 108, 8, "Auth Mode"},
        {DeviceField::EncryType, 116, 6, "EncryType"},
        {DeviceField::Ssid, 122, 34, "SSID"},
        {DeviceField::Key, 156, 28, "KEY"},
        {DeviceField::WpaPsk, 184, 72, "WPAPSK"},
    }};
    return layout;
}

const FieldLayout& layoutOf(DeviceField field)
{
    return deviceFieldLayout()[static_cast<std::size_t>(field)];
}

DeviceEntry DeviceEntry::fromBytes(const void* data, std::size_t length)
{
    DeviceEntry entry;
    std::memcpy(entry.bytes_.data(), data, std::min(length, kDeviceEntrySize));
    return entry;
}

std::string DeviceEntry::text(DeviceField field) const
{
    return readFieldText(fieldData(field), layoutOf(field).width);
}

void DeviceEntry::setText(DeviceField field, std::string_view text)
{
    writeFieldText(fieldData(field), layoutOf(field).width, text);
}

DeviceEntry DeviceEntry::normalized() const
{
    DeviceEntry copy;
    for (const FieldLayout& layout : deviceFieldLayout())
        copy.setText(layout.field, text(layout.field));
    return copy;
}

bool macTextsEqual(std::string_view a, std::string_view b)
{
    return a.substr(0, kMacCompareLength) == b.substr(0, kMacCompareLength);
}

}  // namespace quillmar
