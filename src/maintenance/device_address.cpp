#include "maintenance/device_address.h"

#include <arpa/inet.h>
#include <string>

namespace quillmar {
namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::uint32_t parseDeviceAddress(std::string_view text, bool zeroIsInvalid)
{
    // inet_addr reads up to a NUL; a text with one inside ends there too.
    const std::string terminated(text.substr(0, text.find('\0')));
    const std::uint32_t address = inet_addr(terminated.c_str());
    if (zeroIsInvalid && address == 0)
        return kAddressNone;
    return address;
}

void macstr2bytes(std::string_view text, MacBytes& out)
{
    for (std::size_t group = 0; group < out.size(); ++group) {
        unsigned value = 0;
        for (std::size_t i = group * 3; i < group * 3 + 2 && i < text.size(); ++i) {
            const int digit = hexDigit(text[i]);
            if (digit < 0)
                break;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        out[group] = static_cast<std::uint8_t>(value);
    }
}

}  // namespace quillmar
