#pragma once
// The module's wire protocol in one place, for the program, the command line
// and the simulator alike: its ports, the datagrams of the search and of the
// configuration exchange, and the commands of the direct settings protocol a
// printer on a COM port or USB understands.
#include <array>
#include <cstddef>
#include <cstdint>

namespace quillmar {

// The module listens for searches, reads and saves here (UDP).
inline constexpr std::uint16_t kModulePort = 5000;
// Its command port (TCP): log-in, reboot, loader hand-over, web upload.
inline constexpr std::uint16_t kCommandPort = 5001;
// The PC port configuration reads and saves go from, and answers come to.
inline constexpr std::uint16_t kLocalConfigPort = 6000;

// 55 11 AA: first marker, the request code, second marker.
inline constexpr std::array<std::uint8_t, 3> kRecordRequestBytes{0x55, 0x11, 0xAA};
// AA 11 55: the next datagram is a record for the module to store.
inline constexpr std::array<std::uint8_t, 3> kSaveHeaderBytes{0xAA, 0x11, 0x55};

// The direct settings protocol: GS "gWG" asks for the record, GS "gWS" is
// followed by the record to store.
inline constexpr std::array<std::uint8_t, 4> kDirectReadCommandBytes{0x1D, 0x67, 0x57, 0x47};
inline constexpr std::array<std::uint8_t, 4> kDirectWriteCommandBytes{0x1D, 0x67, 0x57, 0x53};
// Bytes a printer sends on a COM port before the record.
inline constexpr std::size_t kComReplyLeadingByteCount = 6;

}  // namespace quillmar
