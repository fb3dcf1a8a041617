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
    return findMac(entry.text(DeviceField::MacAddress)) < 0
           && isManagedModel(printerFamily, entry.text(DeviceField::ModelName)) && count_ < kDeviceTableSlots;
}

int DeviceTable::admit(const DeviceEntry& entry, int printerFamily)
{
    if (!accepts(entry, printerFamily))
        return -1;
    slots_[count_] = entry.normalized();
    return static_cast<int>(count_++);
}

}  // namespace quillmar
