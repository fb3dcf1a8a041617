#include "record/ip_dot.h"

#include <cstdio>
#include <cstring>

namespace quillmar {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

std::uint32_t dot2ip(std::string_view text)
{
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    const auto at = [&text](std::size_t index) { return index < text.size() ? text[index] : '\0'; };

    std::array<std::uint8_t, 4> octets{};
    std::size_t groups = 0;
    std::size_t pos = 0;
    char stop = '\0';
    for (;;) {
        if (!isDigit(at(pos)))
            return kDot2ipFailure;
        unsigned number = 0;
        while (isDigit(at(pos))) {
            number = number * 10 + static_cast<unsigned>(at(pos) - '0');
            if (number >= 256)
                return kDot2ipFailure;
            ++pos;
        }
        octets[groups++] = static_cast<std::uint8_t>(number);
        stop = at(pos++);
        if (stop != '.')
            break;
        if (groups == 4)
            return kDot2ipFailure;
    }
    // The character that stopped the parse must be the terminator.
    if (stop != '\0' || groups != 4)
        return kDot2ipFailure;

    std::uint32_t value = 0;
    std::memcpy(&value, octets.data(), sizeof value);
    return value;
}

std::array<std::uint8_t, 4> dot2ipOctets(std::uint32_t networkOrderValue)
{
    std::array<std::uint8_t, 4> octets{};
    std::memcpy(octets.data(), &networkOrderValue, sizeof networkOrderValue);
    return octets;
}

std::uint32_t controlValueOf(std::uint32_t networkOrderValue)
{
    const auto b = dot2ipOctets(networkOrderValue);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

std::uint32_t networkOrderOf(std::uint32_t controlValue)
{
    const std::array<std::uint8_t, 4> octets{
        static_cast<std::uint8_t>(controlValue >> 24), static_cast<std::uint8_t>(controlValue >> 16),
        static_cast<std::uint8_t>(controlValue >> 8), static_cast<std::uint8_t>(controlValue)};
    std::uint32_t value = 0;
    std::memcpy(&value, octets.data(), sizeof value);
    return value;
}

int ip2dot(std::uint32_t controlValue, char* out)
{
    const unsigned b3 = (controlValue >> 24) & 0xFFu;
    const unsigned b2 = (controlValue >> 16) & 0xFFu;
    const unsigned b1 = (controlValue >> 8) & 0xFFu;
    const unsigned b0 = controlValue & 0xFFu;
    std::snprintf(out, 16, "%u.%u.%u.%u", b3, b2, b1, b0);
    return (b3 == 255 || b2 == 255 || b1 == 255 || b0 == 255) ? 1 : 0;
}

int ip2dot(std::uint32_t controlValue, std::string& out)
{
    char text[16];
    const int flag = ip2dot(controlValue, text);
    out = text;
    return flag;
}

}  // namespace quillmar
