#include "maintenance/host_table_helpers.h"

#include <arpa/inet.h>

#include <vector>

#include "maintenance/device_address.h"
#include "platform/running_program.h"

namespace quillmar {
namespace {

std::string addressText(std::uint32_t networkOrder)
{
    char text[INET_ADDRSTRLEN] = {};
    const in_addr address{networkOrder};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

}  // namespace

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
    const std::string device = addressText(deviceAddress);
    const std::lock_guard<std::mutex> lock(routeLock_);
    // Without a reading the route is added as if none were there; the kernel
    // refuses it if one is.
    std::vector<RouteRow> rows;
    RouteAdd mode = RouteAdd::Create;
    if (tables_.readRoutes(rows) == 0) {
        for (const RouteRow& row : rows) {
            if (row.destination != deviceAddress || row.prefixLength != 32)
                continue;
            if (row.protocol != kHostRouteProtocol) {
                log_("host route to " + device + " set by the administrator: used as it is");
                return 0;
            }
            mode = RouteAdd::Replace;
        }
    }
    if (mode == RouteAdd::Replace)
        log_("host route to " + device + " left by an earlier run: replaced");
    if (const int error = tables_.addHostRoute(deviceAddress, localAddress, interfaceIndex, mode)) {
        log_("host route to " + device + " on interface " + std::to_string(interfaceIndex) + ": "
             + hostTablesErrorText(error));
        return -1;
    }
    return 0;
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
    const std::string device = addressText(deviceAddress);
    const std::lock_guard<std::mutex> lock(neighbourLock_);
    std::vector<NeighbourRow> rows;
    if (tables_.readNeighbours(rows) == 0) {
        for (const NeighbourRow& row : rows) {
            if (row.address == deviceAddress && row.interfaceIndex == interfaceIndex && row.permanent) {
                log_("neighbour entry of " + device + " on interface " + std::to_string(interfaceIndex)
                     + " set by the administrator: used as it is");
                return 0;
            }
        }
    }
    if (const int error = tables_.setNeighbour(deviceAddress, mac, interfaceIndex)) {
        log_("neighbour entry of " + device + " on interface " + std::to_string(interfaceIndex) + ": "
             + hostTablesErrorText(error));
        return -1;
    }
    return 0;
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
        if (row.hasMac && row.mac == mac && !row.permanent)
            tables_.deleteNeighbour(row);
    }
}

std::string missingPrivilegeText()
{
    // The program that met the missing privilege is the one to give it to,
    // wherever it was installed or built.
    return "missing privilege CAP_NET_ADMIN: reaching the device needs a temporary route and neighbour "
           "entry. Run as root, or give this program the capability once:\n"
           "sudo setcap cap_net_admin+ep "
           + runningProgramPath("quillmar-cli");
}

}  // namespace quillmar
