#include "maintenance/host_table_helpers.h"

#include <vector>

#include "maintenance/device_address.h"

namespace quillmar {

HostTableHelpers::HostTableHelpers(HostTables& tables, std::mutex& routeLock, std::mutex& neighbourLock, LogLine log)
    : tables_(tables), routeLock_(routeLock), neighbourLock_(neighbourLock), log_(std::move(log))
{
}

int HostTableHelpers::addHostRoute(std::uint32_t deviceAddress, std::uint32_t localAddress, unsigned interfaceIndex)
{
    if (deviceAddress == kAddressNone || localAddress == 0 || localAddress == kAddressNone) {
        log_("INADDR_NONE");
        return -1;
    }
    const std::lock_guard<std::mutex> lock(routeLock_);
    return tables_.addHostRoute(deviceAddress, localAddress, interfaceIndex) == 0 ? 0 : -1;
}

void HostTableHelpers::deleteHostRoute(std::uint32_t deviceAddress)
{
    const std::lock_guard<std::mutex> lock(routeLock_);
    std::vector<RouteRow> rows;
    if (tables_.readRoutes(rows) != 0)
        return;
    for (const RouteRow& row : rows) {
        if (row.destination == deviceAddress && row.prefixLength == 32 && row.protocol == kHostRouteProtocol) {
            tables_.deleteRoute(row);
            return;
        }
    }
}

int HostTableHelpers::addNeighbourEntry(std::uint32_t deviceAddress, const MacBytes& mac, unsigned interfaceIndex)
{
    const std::lock_guard<std::mutex> lock(neighbourLock_);
    return tables_.setNeighbour(deviceAddress, mac, interfaceIndex) == 0 ? 0 : -1;
}

void HostTableHelpers::deleteNeighbourEntries(const MacBytes& mac)
{
    const std::lock_guard<std::mutex> lock(neighbourLock_);
    std::vector<NeighbourRow> rows;
    if (const int error = tables_.readNeighbours(rows); error != 0) {
        log_("GetIpNetTable failed, " + std::to_string(error));
        return;
    }
    for (const NeighbourRow& row : rows) {
        if (row.hasMac && row.mac == mac)
            tables_.deleteNeighbour(row);
    }
}

std::string missingPrivilegeText()
{
    return "missing privilege CAP_NET_ADMIN: reaching the device needs a temporary route and neighbour "
           "entry. Run as root, or give the programs the capability once:\n"
           "sudo setcap cap_net_admin+ep build/release/quillmar-manager build/release/quillmar-cli";
}

}  // namespace quillmar
