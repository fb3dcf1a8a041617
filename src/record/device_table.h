#pragma once
// The main window's device slots: slot i is device-list row i.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "record/device_entry.h"

namespace quillmar {

inline constexpr std::size_t kDeviceTableSlots = 100;

class DeviceTable {
public:
    std::size_t count() const { return count_; }
    const DeviceEntry& at(std::size_t row) const { return slots_.at(row); }

    // Slots are not zeroed here: a slot is zeroed and refilled when its row is
    // added again.
    void clear() { count_ = 0; }

    // Offers one entry for listing. Returns the new row, or -1 when the MAC is
    // already listed at that address (the entry's IP text, where it answered),
    // the model is not one the family manages, or all slots are taken (a
    // further device is dropped rather than overrunning the table). One MAC
    // from two addresses is two rows: one of the two hosts is a stranger
    // claiming the printer, and the user has to see both.
    int admit(const DeviceEntry& entry, int printerFamily);
    // Whether admit() would list the entry.
    bool accepts(const DeviceEntry& entry, int printerFamily) const;

    // Row of the first listed device with this MAC, or -1.
    int findMac(std::string_view mac) const;
    // The other addresses the MAC of `row` is listed at.
    std::vector<std::string> otherAddressesOf(std::size_t row) const;

private:
    std::array<DeviceEntry, kDeviceTableSlots> slots_{};
    std::size_t count_ = 0;
};

}  // namespace quillmar
