#pragma once
// The address texts of the device list turned into what the session sends to.
#include <cstdint>
#include <string_view>

#include "platform/host_tables.h"

namespace quillmar {

inline constexpr std::uint32_t kAddressNone = 0xFFFFFFFFu;  // INADDR_NONE

// The address of a dotted IPv4 text in network byte order, as inet_addr gives
// it (the short and hexadecimal forms included); kAddressNone when it does not
// parse. With `zeroIsInvalid`, 0.0.0.0 also gives kAddressNone.
std::uint32_t parseDeviceAddress(std::string_view text, bool zeroIsInvalid);

// Six bytes from a 17-character MAC text. The characters at 2, 5, 8, 11 and 14
// are separators of any kind; each two-character group is read as hexadecimal
// up to its first character that is not a hexadecimal digit (nothing read: 0).
void macstr2bytes(std::string_view text, MacBytes& out);

}  // namespace quillmar
