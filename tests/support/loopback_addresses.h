#pragma once
// Loopback addresses of this test process alone: 127.A.B.(C+1..C+3), from the
// process id, so parallel test processes never share an address or port.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "record/ipv4_text.h"

namespace quillmar::test {

inline std::uint32_t loopbackAddress(unsigned index)
{
    const auto pid = static_cast<std::uint32_t>(getpid());
    const std::uint32_t a = 1 + ((pid >> 14) & 0x7Fu);
    const std::uint32_t b = (pid >> 6) & 0xFFu;
    const std::uint32_t c = (pid & 0x3Fu) * 4;
    return (127u << 24) | (a << 16) | (b << 8) | (c + 1 + index % 3);
}

inline std::string loopbackText(unsigned index)
{
    return formatIpv4(loopbackAddress(index));
}

}  // namespace quillmar::test
