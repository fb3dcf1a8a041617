#pragma once
// Dotted-decimal IPv4 texts. A 32-bit value carries the first number in its top byte.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmar {

std::string formatIpv4(std::uint32_t address);

// Strict "a.b.c.d" with four decimal numbers 0..255; nothing else is accepted.
std::optional<std::uint32_t> parseIpv4(std::string_view text);

}  // namespace quillmar
