#include "record/device_table.h"

#include "record/model_table.h"

namespace quillmar {

int DeviceTable::findMac(std::string_view mac) const
{
    for (std::size_t row = 0; row < count_; ++row) {
        if (macTextsEqual(slots_[row].text(DeviceField::MacAddress), mac))
            return static_cast<int>(row);
    }
    return -1;
}

bool DeviceTable::accepts(const DeviceEntry& entry, int printerFamily) const
{
    const std::string mac = entry.text(DeviceField::MacAddress);
    const std::string address = entry.text(DeviceField::IpAddress);
    for (std::size_t row = 0; row < count_; ++row) {
        if (macTextsEqual(slots_[row].text(DeviceField::MacAddress), mac)
            && slots_[row].text(DeviceField::IpAddress) == address)
            return false;
    }
    return isManagedModel(printerFamily, entry.text(DeviceField::ModelName)) && count_ < kDeviceTableSlots;
}

std::vector<std::string> DeviceTable::otherAddressesOf(std::size_t row) const
{
    std::vector<std::string> others;
    if (row >= count_)
        return others;
    const std::string mac = slots_[row].text(DeviceField::MacAddress);
    const std::string address = slots_[row].text(DeviceField::IpAddress);
    for (std::size_t other = 0; other < count_; ++other) {
        const std::string at = slots_[other].text(DeviceField::IpAddress);
        if (other != row && at != address && macTextsEqual(slots_[other].text(DeviceField::MacAddress), mac))
            others.push_back(at);
    }
    return others;
}

int DeviceTable::admit(const DeviceEntry& entry, int printerFamily)
{
    if (!accepts(entry, printerFamily))
        return -1;
    slots_[count_] = entry.normalized();
    return static_cast<int>(count_++);
}

}  // namespace quillmar
