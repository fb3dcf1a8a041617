#include "module_set.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include "record/ipv4_text.h"

namespace quillmar::sim {

namespace {

// Finds the module's interface and broadcast address in `list`.
bool locateIn(const ifaddrs* list, SimModule& module)
{
    for (const ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        if (ntohl(in->sin_addr.s_addr) != module.address)
            continue;
        module.interfaceIndex = if_nametoindex(it->ifa_name);
        const std::uint32_t mask = it->ifa_netmask
                                       ? ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr)
                                       : 0;
        module.broadcastAddress = module.address | ~mask;
        return true;
    }
    // Every address of the loopback prefix (127.0.0.0/8) is this host's own,
    // though only the first is listed.
    for (const ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !it->ifa_netmask || !(it->ifa_flags & IFF_LOOPBACK))
            continue;
        const std::uint32_t address = ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr);
        const std::uint32_t mask = ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr);
        if ((address & mask) == (module.address & mask)) {
            module.interfaceIndex = if_nametoindex(it->ifa_name);
            module.broadcastAddress = module.address | ~mask;
            return true;
        }
    }
    return false;
}

}  // namespace

bool ModuleSet::resolveInterfaces(std::string& error)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        error = "cannot read this host's addresses";
        return false;
    }
    for (SimModule& module : modules_) {
        if (!locateIn(list, module)) {
            error = "address " + formatIpv4(module.address) + " is not on this host";
            freeifaddrs(list);
            return false;
        }
    }
    freeifaddrs(list);
    return true;
}

bool ModuleSet::locate(SimModule& module)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    const bool found = locateIn(list, module);
    freeifaddrs(list);
    return found;
}

std::vector<SimModule*> ModuleSet::addressedBy(std::uint32_t destination, unsigned interfaceIndex)
{
    std::vector<SimModule*> addressed;
    for (SimModule& module : modules_) {
        if (module.address == destination)
            return {&module};
    }
    for (SimModule& module : modules_) {
        const bool broadcast = destination == INADDR_BROADCAST || destination == module.broadcastAddress;
        if (broadcast && module.interfaceIndex == interfaceIndex)
            addressed.push_back(&module);
    }
    return addressed;
}

}  // namespace quillmar::sim
