#include "discovery/search_outcome.h"

#include <algorithm>

#include "discovery/search_engine.h"
#include "record/model_table.h"

namespace quillmar {
namespace {

std::string modules(std::size_t count)
{
    return count == 0 ? std::string("no module") : std::to_string(count) + (count == 1 ? " module" : " modules");
}

std::string searchName(const SearchTarget& target)
{
    return target.broadcast ? std::string("Broadcast search") : "search " + target.address;
}

}  // namespace

int otherPrinterFamily(int family)
{
    switch (family) {
    case 1:
        return 2;
    case 2:
        return 1;
    default:
        return 0;
    }
}

OtherFamilyCount::OtherFamilyCount(int printerFamily) : otherFamily_(otherPrinterFamily(printerFamily))
{
}

void OtherFamilyCount::offer(const DeviceEntry& entry)
{
    if (otherFamily_ == 0 || !isManagedModel(otherFamily_, entry.text(DeviceField::ModelName)))
        return;
    const std::string mac = entry.text(DeviceField::MacAddress);
    if (std::none_of(macs_.begin(), macs_.end(), [&mac](const std::string& seen) { return macTextsEqual(seen, mac); }))
        macs_.push_back(mac);
}

std::string otherFamilyText(std::size_t count)
{
    return modules(count) + " of the other family answered";
}

std::string searchCancelledText(const SearchTarget& target, std::size_t listed)
{
    return searchName(target) + " cancelled; " + modules(listed) + " listed";
}

std::string nothingListedText(const SearchTarget& target)
{
    return searchName(target) + " ended; no module listed";
}

}  // namespace quillmar
