#include "platform/local_addresses.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace quillmar {

LocalAddressReading IfaddrsAddressSource::read()
{
    LocalAddressReading reading;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        reading.error = errno;
        return reading;
    }
    std::vector<LocalAddress> loopback;
    for (const ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !(it->ifa_flags & IFF_UP))
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        LocalAddress local{ntohl(in->sin_addr.s_addr), if_nametoindex(it->ifa_name), 0};
        if (it->ifa_netmask && it->ifa_netmask->sa_family == AF_INET)
            local.netmask = ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr);
        (it->ifa_flags & IFF_LOOPBACK ? loopback : reading.addresses).push_back(local);
    }
    freeifaddrs(list);
    if (reading.addresses.empty())
        reading.addresses = loopback;
    return reading;
}

}  // namespace quillmar
