#pragma once
// The PC's own IPv4 addresses with the index of the interface that carries each.
#include <cstdint>
#include <vector>

namespace quillmar {

inline constexpr std::size_t kMaxLocalAddresses = 32;

struct LocalAddress {
    std::uint32_t address = 0;  // first number in the top byte
    unsigned interfaceIndex = 0;
    std::uint32_t netmask = 0;  // likewise; 0 when not known

    // Whether `other` lies in this address's network (never, without a netmask).
    bool sharesNetworkWith(std::uint32_t other) const
    {
        return netmask != 0 && (address & netmask) == (other & netmask);
    }
};

struct LocalAddressReading {
    int error = 0;  // errno of a failed table read; 0 when the table was read
    std::vector<LocalAddress> addresses;
};

class LocalAddressSource {
public:
    virtual ~LocalAddressSource() = default;
    virtual LocalAddressReading read() = 0;
};

// getifaddrs: IPv4 addresses of interfaces that are up, in the kernel's order;
// loopback only when there is no other address.
class IfaddrsAddressSource final : public LocalAddressSource {
public:
    LocalAddressReading read() override;
};

}  // namespace quillmar
