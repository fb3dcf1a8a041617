#pragma once
// What the end of a search tells the user besides its rows: that it was
// cancelled, that it listed nothing, and how many modules of the other printer
// family answered. The list shows one family's models only, so without this a
// technician who chose the wrong family sees an empty list and no reason.
#include <cstddef>
#include <string>
#include <vector>

#include "record/device_entry.h"

namespace quillmar {

struct SearchTarget;

// The family the model chooser offers beside `family` (1 and 2 are each
// other's); 0 when there is none.
int otherPrinterFamily(int family);

// The modules of the other family among a search's replies, once per MAC.
class OtherFamilyCount {
public:
    explicit OtherFamilyCount(int printerFamily = 0);

    void offer(const DeviceEntry& entry);
    std::size_t count() const { return macs_.size(); }

private:
    int otherFamily_;
    std::vector<std::string> macs_;
};

// "5 modules of the other family answered" (one module: "1 module ...").
std::string otherFamilyText(std::size_t count);

// "Broadcast search cancelled; 3 modules listed" or "search 192.0.2.10
// cancelled; no module listed".
std::string searchCancelledText(const SearchTarget& target, std::size_t listed);
// "Broadcast search ended; no module listed" or "search 192.0.2.10 ended; no
// module listed".
std::string nothingListedText(const SearchTarget& target);

}  // namespace quillmar
