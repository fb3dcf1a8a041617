#pragma once
// A span of IPv4 addresses a search asks one by one, as a technician names a
// routed network or a VLAN: "10.20.0.0/24" or "10.20.0.5-10.20.0.60". A search
// of a whole network sends one request to each address, so the span is held
// to a /20 at a time; a network's own address and its broadcast address are
// left out of a CIDR span (a directed broadcast is no search of one address).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// The most addresses one span may hold: a /20.
inline constexpr std::size_t kLargestAddressRange = 4096;

struct AddressRange {
    std::uint32_t first = 0;  // first number in the top byte
    std::uint32_t last = 0;
    int prefixLength = -1;  // the CIDR form's; -1 for "A-B"

    std::size_t size() const { return std::size_t(last - first) + 1; }
    bool contains(std::uint32_t address) const { return address >= first && address <= last; }
    // "192.0.2.0/24" or "192.0.2.5-192.0.2.60".
    std::string text() const;
    // The addresses a search asks, in order: all of them, but a CIDR span of
    // /30 or wider without its network and broadcast address.
    std::vector<std::uint32_t> addressesToAsk() const;
};

// Whether the text is meant as a span rather than one address: it holds a
// '/' or a '-'.
bool looksLikeAddressRange(std::string_view text);

// "A.B.C.D/N" (host bits are cleared: 192.0.2.7/24 is 192.0.2.0/24) or
// "A.B.C.D-E.F.G.H" with the first not after the last. Nothing, with `error`
// saying why in a sentence fit for the user, for anything else: text that is
// neither form, a span of more than kLargestAddressRange addresses, or one that
// reaches an address no host has (0.0.0.0/8, multicast and reserved 224.0.0.0
// and above).
std::optional<AddressRange> parseAddressRange(std::string_view text, std::string& error);

// Why no host can be asked at (or given) this address: "192.0.2.255 ..." in
// 0.0.0.0/8, multicast, reserved or the limited broadcast; nothing when a host
// may have it.
std::optional<std::string> addressNoHostHas(std::uint32_t address);

}  // namespace quillmar
