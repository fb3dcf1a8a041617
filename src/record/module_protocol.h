#pragma once
// What every exchange with a module's UDP side shares: the module listens on
// port 5000, and the same three bytes ask it for a search answer and for its
// current record.
#include <array>
#include <cstdint>

namespace quillmar {

inline constexpr std::uint16_t kModulePort = 5000;
// 55 11 AA: first marker, the request code, second marker.
inline constexpr std::array<std::uint8_t, 3> kRecordRequestBytes{0x55, 0x11, 0xAA};
// AA 11 55: the next datagram is a record for the module to store.
inline constexpr std::array<std::uint8_t, 3> kSaveHeaderBytes{0xAA, 0x11, 0x55};

}  // namespace quillmar
