#pragma once
// The log-in token of the command port: the first 8 password bytes enciphered
// with XTEA under a 128-bit key that the device firmware shares, written as 16
// lowercase hexadecimal digits.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmar {

using LoginKey = std::array<std::uint32_t, 4>;

// The key of the firmware this program was made for. Sites whose firmware
// uses another set QUILLMAR_LOGIN_KEY to its 32 hexadecimal digits.
inline constexpr LoginKey kLoginKey{0x51A7C3E9u, 0x2D4B8F16u, 0x7E05B29Au, 0xC63F1D84u};
inline constexpr char kLoginKeyVariable[] = "QUILLMAR_LOGIN_KEY";

// Exactly 32 hexadecimal digits, key[0] first; nothing otherwise.
std::optional<LoginKey> parseLoginKey(std::string_view text);
// QUILLMAR_LOGIN_KEY when set, else kLoginKey; nothing when the variable is set
// but is not a key, so that a mistyped key is reported instead of refused.
std::optional<LoginKey> loginKey();

// Bytes beyond the eighth are not used; a shorter password is padded with zeros.
std::string loginToken(std::string_view password, const LoginKey& key);

}  // namespace quillmar
