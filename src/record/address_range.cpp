#include "record/address_range.h"

#include "record/ipv4_text.h"

namespace quillmar {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<int> prefixOf(std::string_view text)
{
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value <= 32 ? std::optional<int>(value) : std::nullopt;
}

std::uint32_t maskOf(int prefixLength)
{
    return prefixLength == 0 ? 0u : ~0u << (32 - prefixLength);
}

}  // namespace

std::string AddressRange::text() const
{
    if (prefixLength >= 0)
        return formatIpv4(first) + "/" + std::to_string(prefixLength);
    return formatIpv4(first) + "-" + formatIpv4(last);
}

std::vector<std::uint32_t> AddressRange::addressesToAsk() const
{
    std::uint32_t from = first;
    std::uint32_t to = last;
    if (prefixLength >= 0 && prefixLength <= 30) {
        ++from;
        --to;
    }
    std::vector<std::uint32_t> addresses;
    addresses.reserve(std::size_t(to - from) + 1);
    for (std::uint64_t address = from; address <= to; ++address)
        addresses.push_back(std::uint32_t(address));
    return addresses;
}

bool looksLikeAddressRange(std::string_view text)
{
    return text.find('/') != std::string_view::npos || text.find('-') != std::string_view::npos;
}

std::optional<std::string> addressNoHostHas(std::uint32_t address)
{
    const std::string shown = formatIpv4(address);
    if ((address >> 24) == 0)
        return shown + " is in 0.0.0.0/8, which no host has";
    if ((address >> 28) == 0xE)
        return shown + " is a multicast address";
    if (address == 0xFFFFFFFFu)
        return shown + " is the limited broadcast address";
    if ((address >> 28) == 0xF)
        return shown + " is in the reserved 240.0.0.0/4";
    return std::nullopt;
}

std::optional<AddressRange> parseAddressRange(std::string_view text, std::string& error)
{
    const std::string_view whole = trimmed(text);
    const std::string shown(whole);
    AddressRange range;
    if (const std::size_t slash = whole.find('/'); slash != std::string_view::npos) {
        const std::optional<std::uint32_t> address = parseIpv4(whole.substr(0, slash));
        const std::optional<int> prefix = prefixOf(whole.substr(slash + 1));
        if (!address || !prefix) {
            error = "'" + shown + "' is not a network: A.B.C.D/N with N from 0 to 32, as 192.0.2.0/24";
            return std::nullopt;
        }
        range.prefixLength = *prefix;
        range.first = *address & maskOf(*prefix);
        range.last = range.first | ~maskOf(*prefix);
    } else if (const std::size_t dash = whole.find('-'); dash != std::string_view::npos) {
        const std::optional<std::uint32_t> first = parseIpv4(trimmed(whole.substr(0, dash)));
        const std::optional<std::uint32_t> last = parseIpv4(trimmed(whole.substr(dash + 1)));
        if (!first || !last) {
            error = "'" + shown + "' is not an address range: A.B.C.D-E.F.G.H, as 192.0.2.10-192.0.2.60";
            return std::nullopt;
        }
        if (*first > *last) {
            error = "'" + shown + "' ends before it begins";
            return std::nullopt;
        }
        range.first = *first;
        range.last = *last;
    } else {
        error = "'" + shown + "' is neither a network (192.0.2.0/24) nor an address range (192.0.2.10-192.0.2.60)";
        return std::nullopt;
    }
    if (range.size() > kLargestAddressRange) {
        error = range.text() + " holds " + std::to_string(std::uint64_t(range.last - range.first) + 1)
                + " addresses; at most " + std::to_string(kLargestAddressRange) + " (a /20) are searched at a time";
        return std::nullopt;
    }
    // The ends are enough: every kind of address no host has fills a block
    // that lies at the start or the end of the address space.
    for (const std::uint32_t end : {range.first, range.last}) {
        if (const std::optional<std::string> why = addressNoHostHas(end)) {
            error = range.text() + " reaches an address no module has: " + *why;
            return std::nullopt;
        }
    }
    return range;
}

}  // namespace quillmar
