#include "record/open_device_list.h"

#include "record/device_entry.h"
#include "record/field_text.h"

namespace quillmar {

void OpenDeviceList::clear()
{
    for (auto& slot : slots_)
        slot.fill(0);
}

int OpenDeviceList::find(std::string_view mac) const
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i][0] != '\0' && macTextsEqual(readFieldText(slots_[i].data(), kOpenDeviceSlotSize), mac))
            return static_cast<int>(i);
    }
    return -1;
}

bool OpenDeviceList::contains(std::string_view mac) const
{
    return find(mac) >= 0;
}

bool OpenDeviceList::add(std::string_view mac)
{
    if (find(mac) >= 0)
        return false;
    for (auto& slot : slots_) {
        if (slot[0] == '\0') {
            writeFieldText(slot.data(), slot.size(), mac.substr(0, kMacCompareLength));
            break;
        }
    }
    return true;
}

void OpenDeviceList::remove(std::string_view mac)
{
    const int i = find(mac);
    if (i >= 0)
        slots_[i][0] = '\0';
}

}  // namespace quillmar
