#pragma once
// The two address routines the configuration windows and tools share.
//
// dot2ip gives the address in network byte order: the four numbers in text
// order, the first number in the lowest-addressed byte. The address control and
// ip2dot use the other form, the first number in the most significant byte.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

// What dot2ip gives for a text that does not parse; 255.255.255.255 parses to
// the same value, and every caller treats a failure as that address.
inline constexpr std::uint32_t kDot2ipFailure = 0xFFFFFFFFu;

// Four groups of decimal digits (each below 256, leading zeros accepted)
// separated by '.', and nothing after the fourth; spaces, signs, a trailing '.',
// a fifth or a missing group fail. The text ends at its end or at a NUL.
std::uint32_t dot2ip(std::string_view text);

// The four numbers of a dot2ip value, first number first.
std::array<std::uint8_t, 4> dot2ipOctets(std::uint32_t networkOrderValue);
// A dot2ip value turned into the control form (first number in the top byte).
std::uint32_t controlValueOf(std::uint32_t networkOrderValue);
// A control-form value turned into the dot2ip form.
std::uint32_t networkOrderOf(std::uint32_t controlValue);

// Writes the control-form value as "%u.%u.%u.%u", most significant byte first,
// into `out` (at least 16 bytes). Returns 1 when any of the four numbers is 255
// (such an address is not allowed), else 0.
int ip2dot(std::uint32_t controlValue, char* out);
int ip2dot(std::uint32_t controlValue, std::string& out);

}  // namespace quillmar
