#include "platform/host_tables.h"

#include <linux/capability.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <memory>

extern "C" {
#include <netlink/errno.h>
#include <netlink/netlink.h>
#include <netlink/route/neighbour.h>
#include <netlink/route/route.h>
}

namespace quillmar {
namespace {

// libnl reports failures as negative NLE_ codes.
int errorOf(int result)
{
    return result < 0 ? -result : 0;
}

struct SocketFree {
    void operator()(nl_sock* socket) const { nl_socket_free(socket); }
};
struct CacheFree {
    void operator()(nl_cache* cache) const { nl_cache_free(cache); }
};
struct AddrPut {
    void operator()(nl_addr* address) const { nl_addr_put(address); }
};
struct RoutePut {
    void operator()(rtnl_route* route) const { rtnl_route_put(route); }
};
struct NeighPut {
    void operator()(rtnl_neigh* neigh) const { rtnl_neigh_put(neigh); }
};
using Socket = std::unique_ptr<nl_sock, SocketFree>;
using Cache = std::unique_ptr<nl_cache, CacheFree>;
using Addr = std::unique_ptr<nl_addr, AddrPut>;
using Route = std::unique_ptr<rtnl_route, RoutePut>;
using Neigh = std::unique_ptr<rtnl_neigh, NeighPut>;

int connectRoute(Socket& socket)
{
    socket.reset(nl_socket_alloc());
    if (!socket)
        return NLE_NOMEM;
    return errorOf(nl_connect(socket.get(), NETLINK_ROUTE));
}

Addr ipv4Address(std::uint32_t address, int prefixLength = 32)
{
    Addr result(nl_addr_build(AF_INET, &address, sizeof address));
    if (result)
        nl_addr_set_prefixlen(result.get(), prefixLength);
    return result;
}

std::uint32_t ipv4Of(nl_addr* address)
{
    std::uint32_t value = 0;
    if (address && nl_addr_get_family(address) == AF_INET && nl_addr_get_len(address) == sizeof value)
        std::memcpy(&value, nl_addr_get_binary_addr(address), sizeof value);
    return value;
}

// The route as the kernel should match it: destination, table, protocol,
// priority, preferred source and the nexthop's interface.
Route routeObject(const RouteRow& row)
{
    Route route(rtnl_route_alloc());
    if (!route)
        return route;
    rtnl_route_set_family(route.get(), AF_INET);
    const Addr destination = ipv4Address(row.destination, row.prefixLength);
    rtnl_route_set_dst(route.get(), destination.get());
    rtnl_route_set_table(route.get(), row.table);
    rtnl_route_set_protocol(route.get(), static_cast<std::uint8_t>(row.protocol));
    rtnl_route_set_priority(route.get(), row.priority);
    if (row.preferredSource != 0) {
        const Addr source = ipv4Address(row.preferredSource);
        rtnl_route_set_pref_src(route.get(), source.get());
    }
    if (row.interfaceIndex != 0) {
        rtnl_nexthop* hop = rtnl_route_nh_alloc();
        rtnl_route_nh_set_ifindex(hop, static_cast<int>(row.interfaceIndex));
        rtnl_route_add_nexthop(route.get(), hop);
    }
    return route;
}

// The neighbour entry of `address` on the interface, as the kernel keys it.
Neigh neighbourObject(std::uint32_t address, unsigned interfaceIndex)
{
    Neigh neigh(rtnl_neigh_alloc());
    if (!neigh)
        return neigh;
    rtnl_neigh_set_family(neigh.get(), AF_INET);
    rtnl_neigh_set_ifindex(neigh.get(), static_cast<int>(interfaceIndex));
    const Addr destination = ipv4Address(address);
    rtnl_neigh_set_dst(neigh.get(), destination.get());
    return neigh;
}

// Fills a cache with `allocate` on a fresh route socket and hands each of its
// objects, as libnl's type T, to `each`.
template <typename T, typename Allocate, typename Each> int forEachCached(Allocate allocate, Each each)
{
    Socket socket;
    if (const int error = connectRoute(socket))
        return error;
    nl_cache* raw = nullptr;
    if (const int error = errorOf(allocate(socket.get(), &raw)))
        return error;
    const Cache cache(raw);
    for (nl_object* object = nl_cache_get_first(raw); object; object = nl_cache_get_next(object))
        each(reinterpret_cast<T*>(object));
    return 0;
}

}  // namespace

std::string hostTablesErrorText(int error)
{
    return nl_geterror(error);
}

bool NetlinkHostTables::mayChangeTables()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    return (data[CAP_TO_INDEX(CAP_NET_ADMIN)].effective & CAP_TO_MASK(CAP_NET_ADMIN)) != 0;
}

int NetlinkHostTables::addHostRoute(std::uint32_t destination, std::uint32_t source, unsigned interfaceIndex,
                                    RouteAdd mode)
{
    Socket socket;
    if (const int error = connectRoute(socket))
        return error;
    RouteRow row;
    row.destination = destination;
    row.prefixLength = 32;
    row.interfaceIndex = interfaceIndex;
    row.preferredSource = source;
    row.protocol = kHostRouteProtocol;
    row.table = RT_TABLE_MAIN;
    Route route = routeObject(row);
    if (!route)
        return NLE_NOMEM;
    rtnl_route_set_scope(route.get(), RT_SCOPE_LINK);
    rtnl_route_set_type(route.get(), RTN_UNICAST);
    const int flags = mode == RouteAdd::Replace ? NLM_F_CREATE | NLM_F_REPLACE : NLM_F_EXCL;
    return errorOf(rtnl_route_add(socket.get(), route.get(), flags));
}

int NetlinkHostTables::readRoutes(std::vector<RouteRow>& rows)
{
    rows.clear();
    const auto allocate = [](nl_sock* socket, nl_cache** cache) {
        return rtnl_route_alloc_cache(socket, AF_INET, 0, cache);
    };
    return forEachCached<rtnl_route>(allocate, [&rows](rtnl_route* route) {
        if (rtnl_route_get_table(route) != RT_TABLE_MAIN)
            return;
        RouteRow row;
        row.destination = ipv4Of(rtnl_route_get_dst(route));
        row.prefixLength = static_cast<int>(nl_addr_get_prefixlen(rtnl_route_get_dst(route)));
        row.preferredSource = ipv4Of(rtnl_route_get_pref_src(route));
        row.protocol = rtnl_route_get_protocol(route);
        row.table = rtnl_route_get_table(route);
        row.priority = rtnl_route_get_priority(route);
        if (rtnl_route_get_nnexthops(route) > 0) {
            rtnl_nexthop* hop = rtnl_route_nexthop_n(route, 0);
            row.interfaceIndex = static_cast<unsigned>(rtnl_route_nh_get_ifindex(hop));
            if (nl_addr* gateway = rtnl_route_nh_get_gateway(hop))
                row.gateway = ipv4Of(gateway);
        }
        rows.push_back(row);
    });
}

int NetlinkHostTables::deleteRoute(const RouteRow& row)
{
    Socket socket;
    if (const int error = connectRoute(socket))
        return error;
    Route route = routeObject(row);
    if (!route)
        return NLE_NOMEM;
    return errorOf(rtnl_route_delete(socket.get(), route.get(), 0));
}

int NetlinkHostTables::setNeighbour(std::uint32_t address, const MacBytes& mac, unsigned interfaceIndex)
{
    Socket socket;
    if (const int error = connectRoute(socket))
        return error;
    Neigh neigh = neighbourObject(address, interfaceIndex);
    if (!neigh)
        return NLE_NOMEM;
    const Addr link(nl_addr_build(AF_LLC, mac.data(), mac.size()));
    rtnl_neigh_set_lladdr(neigh.get(), link.get());
    rtnl_neigh_set_state(neigh.get(), NUD_REACHABLE);
    return errorOf(rtnl_neigh_add(socket.get(), neigh.get(), NLM_F_CREATE | NLM_F_REPLACE));
}

int NetlinkHostTables::readNeighbours(std::vector<NeighbourRow>& rows)
{
    rows.clear();
    return forEachCached<rtnl_neigh>(rtnl_neigh_alloc_cache, [&rows](rtnl_neigh* neigh) {
        if (rtnl_neigh_get_family(neigh) != AF_INET)
            return;
        NeighbourRow row;
        row.address = ipv4Of(rtnl_neigh_get_dst(neigh));
        row.interfaceIndex = static_cast<unsigned>(rtnl_neigh_get_ifindex(neigh));
        if (nl_addr* link = rtnl_neigh_get_lladdr(neigh); link && nl_addr_get_len(link) == row.mac.size()) {
            std::memcpy(row.mac.data(), nl_addr_get_binary_addr(link), row.mac.size());
            row.hasMac = true;
        }
        row.state = static_cast<std::uint16_t>(rtnl_neigh_get_state(neigh));
        row.permanent = (row.state & NUD_PERMANENT) != 0;
        rows.push_back(row);
    });
}

int NetlinkHostTables::restoreNeighbour(const NeighbourRow& row)
{
    Socket socket;
    if (const int error = connectRoute(socket))
        return error;
    Neigh neigh = neighbourObject(row.address, row.interfaceIndex);
    if (!neigh)
        return NLE_NOMEM;
    const Addr link(nl_addr_build(AF_LLC, row.mac.data(), row.mac.size()));
    rtnl_neigh_set_lladdr(neigh.get(), link.get());
    const int state = (row.state & NUD_PERMANENT) ? NUD_PERMANENT : (row.state & NUD_NOARP) ? NUD_NOARP : NUD_STALE;
    rtnl_neigh_set_state(neigh.get(), state);
    return errorOf(rtnl_neigh_add(socket.get(), neigh.get(), NLM_F_CREATE | NLM_F_REPLACE));
}

int NetlinkHostTables::deleteNeighbour(const NeighbourRow& row)
{
    Socket socket;
    if (const int error = connectRoute(socket))
        return error;
    Neigh neigh = neighbourObject(row.address, row.interfaceIndex);
    if (!neigh)
        return NLE_NOMEM;
    return errorOf(rtnl_neigh_delete(socket.get(), neigh.get(), 0));
}

}  // namespace quillmar
