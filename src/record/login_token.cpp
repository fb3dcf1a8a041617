#include "record/login_token.h"

#include <cstdio>
#include <cstdlib>

namespace quillmar {
namespace {

constexpr std::uint32_t kDelta = 0x9E3779B9u;
constexpr int kCycles = 32;

std::uint32_t bigEndianWord(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8
           | std::uint32_t(bytes[3]);
}

}  // namespace

std::optional<LoginKey> parseLoginKey(std::string_view text)
{
    if (text.size() != 32)
        return std::nullopt;
    LoginKey key{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        key[i / 8] = key[i / 8] << 4 | digit;
    }
    return key;
}

std::optional<LoginKey> loginKey()
{
    const char* text = std::getenv(kLoginKeyVariable);
    if (!text)
        return kLoginKey;
    return parseLoginKey(text);
}

std::string loginToken(std::string_view password, const LoginKey& key)
{
    unsigned char block[8] = {};
    for (std::size_t i = 0; i < sizeof block && i < password.size(); ++i)
        block[i] = static_cast<unsigned char>(password[i]);
    std::uint32_t y = bigEndianWord(block);
    std::uint32_t z = bigEndianWord(block + 4);
    std::uint32_t sum = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        y += (((z << 4) ^ (z >> 5)) + z) ^ (sum + key[sum & 3]);
        sum += kDelta;
        z += (((y << 4) ^ (y >> 5)) + y) ^ (sum + key[(sum >> 11) & 3]);
    }
    char text[17];
    std::snprintf(text, sizeof text, "%08x%08x", y, z);
    return text;
}

}  // namespace quillmar
