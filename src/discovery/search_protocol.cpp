#include "discovery/search_protocol.h"

#include <algorithm>

#include "record/ipv4_text.h"

namespace quillmar {
namespace {

// A field is taken only when the datagram goes on past its end.
bool reaches(std::size_t length, DeviceField field)
{
    const FieldLayout& layout = layoutOf(field);
    return length > layout.offset + layout.width;
}

}  // namespace

std::optional<DeviceEntry> parseSearchReply(const void* data, std::size_t length)
{
    if (!data || !reaches(length, DeviceField::ModelName) || !reaches(length, DeviceField::DeviceName)
        || !reaches(length, DeviceField::MacAddress) || !reaches(length, DeviceField::IpAddress))
        return std::nullopt;
    DeviceEntry entry = DeviceEntry::fromBytes(data, length);
    // The free-text Wi-Fi fields end at their first NUL; what follows it is dropped.
    for (DeviceField field : {DeviceField::Ssid, DeviceField::Key, DeviceField::WpaPsk})
        entry.setText(field, entry.text(field));
    return entry;
}

bool isWellFormedReply(const DeviceEntry& entry)
{
    const std::string model = entry.text(DeviceField::ModelName);
    return !model.empty() && std::all_of(model.begin(), model.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

std::string formatSourceAddress(std::uint32_t address)
{
    return formatIpv4(address);
}

void setSourceAddress(DeviceEntry& entry, std::uint32_t address)
{
    entry.setText(DeviceField::IpAddress, formatSourceAddress(address));
}

}  // namespace quillmar
