#pragma once
// The PC's route and neighbour (ARP) tables, as far as reaching one device on a
// foreign subnet needs them: a temporary host route and a neighbour entry, read
// back and removed again. Addresses are in network byte order, as the kernel
// and inet_addr hold them. Every call returns 0 or a positive error number
// that hostTablesErrorText() describes.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quillmar {

using MacBytes = std::array<std::uint8_t, 6>;

// The protocol mark of the host routes this program adds, so that a removal
// can never take a route somebody else configured for the same address.
inline constexpr int kHostRouteProtocol = 81;

struct RouteRow {
    std::uint32_t destination = 0;
    int prefixLength = 0;
    unsigned interfaceIndex = 0;
    std::uint32_t preferredSource = 0;
    int protocol = 0;
    unsigned table = 0;
    unsigned priority = 0;
    std::uint32_t gateway = 0;  // 0: on the link itself
};

struct NeighbourRow {
    std::uint32_t address = 0;
    unsigned interfaceIndex = 0;
    MacBytes mac{};
    bool hasMac = false;
    // Set by hand (NUD_PERMANENT): this program only ever adds entries the
    // kernel may age, so a permanent one is somebody else's.
    bool permanent = false;
    // The kernel's NUD_ state bits, as read.
    std::uint16_t state = 0;
};

// What addHostRoute does with a route of the same destination, table and
// metric that is already there.
enum class RouteAdd {
    Create,   // fails (EEXIST) and leaves it
    Replace,  // replaces it
};

class HostTables {
public:
    virtual ~HostTables() = default;

    // Whether this thread may change the tables at all (CAP_NET_ADMIN).
    virtual bool mayChangeTables() = 0;

    // A /32 route to `destination` on the interface, with `source` as the
    // preferred source address, link scope, marked kHostRouteProtocol.
    virtual int addHostRoute(std::uint32_t destination, std::uint32_t source, unsigned interfaceIndex,
                             RouteAdd mode) = 0;
    // The IPv4 routes of the main table, in the kernel's order.
    virtual int readRoutes(std::vector<RouteRow>& rows) = 0;
    virtual int deleteRoute(const RouteRow& row) = 0;

    // Binds `address` to `mac` on the interface, state reachable, replacing an
    // entry for the same address there.
    virtual int setNeighbour(std::uint32_t address, const MacBytes& mac, unsigned interfaceIndex) = 0;
    // Every IPv4 neighbour entry on every interface.
    virtual int readNeighbours(std::vector<NeighbourRow>& rows) = 0;
    // Puts an entry read before back as it was: its MAC, and permanent or
    // static (NUD_NOARP) when it was; an entry the kernel had learned goes
    // back as stale, so that the kernel confirms it before trusting it again.
    virtual int restoreNeighbour(const NeighbourRow& row) = 0;
    virtual int deleteNeighbour(const NeighbourRow& row) = 0;
};

std::string hostTablesErrorText(int error);

// rtnetlink through libnl-route-3. One netlink socket per call, so that
// workers on several threads never share one.
class NetlinkHostTables final : public HostTables {
public:
    bool mayChangeTables() override;
    int addHostRoute(std::uint32_t destination, std::uint32_t source, unsigned interfaceIndex, RouteAdd mode) override;
    int readRoutes(std::vector<RouteRow>& rows) override;
    int deleteRoute(const RouteRow& row) override;
    int setNeighbour(std::uint32_t address, const MacBytes& mac, unsigned interfaceIndex) override;
    int readNeighbours(std::vector<NeighbourRow>& rows) override;
    int restoreNeighbour(const NeighbourRow& row) override;
    int deleteNeighbour(const NeighbourRow& row) override;
};

}  // namespace quillmar
