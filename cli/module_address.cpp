#include "module_address.h"

#include "record/ipv4_text.h"

namespace quillmar::cli {

std::optional<std::uint32_t> parseModuleAddress(const std::string& text, std::string& error)
{
    const auto address = parseIpv4(text);
    if (!address) {
        error = "'" + text + "' is not an IPv4 address (four numbers 0-255, for example 192.0.2.10)";
        return std::nullopt;
    }
    if (*address == 0) {
        error = "0.0.0.0 is not the address of a module";
        return std::nullopt;
    }
    if (*address == 0xFFFFFFFFu) {
        error = "255.255.255.255 is the broadcast address, not the address of one module";
        return std::nullopt;
    }
    return address;
}

}  // namespace quillmar::cli
