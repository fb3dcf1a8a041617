#pragma once
// MAC texts of the devices whose configuration window is open, as their
// records hold them: single bytes, compared on their first 17, never re-encoded.
#include <array>
#include <cstddef>
#include <string_view>

namespace quillmar {

inline constexpr std::size_t kOpenDeviceSlots = 100;
inline constexpr std::size_t kOpenDeviceSlotSize = 20;

class OpenDeviceList {
public:
    OpenDeviceList() { clear(); }

    void clear();
    bool contains(std::string_view mac) const;

    // False (and nothing changes) when the MAC is already present. When every
    // slot is taken the MAC is not stored, yet the call still succeeds.
    bool add(std::string_view mac);
    void remove(std::string_view mac);

private:
    int find(std::string_view mac) const;
    std::array<std::array<char, kOpenDeviceSlotSize>, kOpenDeviceSlots> slots_;
};

}  // namespace quillmar
