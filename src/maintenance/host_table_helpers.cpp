#include "maintenance/host_table_helpers.h"

#include <arpa/inet.h>

#include <algorithm>
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

HostTableHelpers::HostTableHelpers(HostTables& tables, LogLine log) : tables_(tables), log_(std::move(log))
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

void HostTableHelpers::deleteHostRoute(std::uint32_t deviceAddress, unsigned interfaceIndex)
{
    const std::lock_guard<std::mutex> lock(routeLock_);
    std::vector<RouteRow> rows;
    if (tables_.readRoutes(rows) != 0)
        return;
    for (const RouteRow& row : rows) {
        if (row.destination == deviceAddress && row.prefixLength == 32 && row.protocol == kHostRouteProtocol
            && (interfaceIndex == 0 || row.interfaceIndex == interfaceIndex)) {
            tables_.deleteRoute(row);
            return;
        }
    }
}

int HostTableHelpers::addNeighbourEntry(std::uint32_t deviceAddress, const MacBytes& mac, unsigned interfaceIndex,
                                        NeighbourHold& hold)
{
    hold = NeighbourHold{deviceAddress, interfaceIndex, mac, false, std::nullopt};
    const std::string device = addressText(deviceAddress);
    const std::string where = "neighbour entry of " + device + " on interface " + std::to_string(interfaceIndex);
    const std::lock_guard<std::mutex> lock(neighbourLock_);
    std::vector<NeighbourRow> rows;
    if (tables_.readNeighbours(rows) == 0) {
        for (const NeighbourRow& row : rows) {
            if (row.address != deviceAddress || row.interfaceIndex != interfaceIndex)
                continue;
            if (row.permanent) {
                log_(where + " set by the administrator" + (row.hasMac && row.mac != mac ? " to another MAC" : "")
                     + ": used as it is");
                return 0;
            }
            // Without a MAC (still being resolved, or failed) there is
            // nothing to put back.
            if (row.hasMac)
                hold.previous = row;
        }
    }
    if (const int error = tables_.setNeighbour(deviceAddress, mac, interfaceIndex)) {
        log_(where + ": " + hostTablesErrorText(error));
        hold.previous.reset();
        return -1;
    }
    hold.added = true;
    if (hold.previous)
        log_(where + " that was there before is put back at the end");
    return 0;
}

void HostTableHelpers::deleteNeighbourEntries(NeighbourHold& hold)
{
    if (!hold.added)
        return;
    const std::lock_guard<std::mutex> lock(neighbourLock_);
    std::vector<NeighbourRow> rows;
    if (const int error = tables_.readNeighbours(rows); error != 0) {
        log_("GetIpNetTable failed, " + std::to_string(error));
        return;
    }
    const auto current = std::find_if(rows.begin(), rows.end(), [&hold](const NeighbourRow& row) {
        return row.address == hold.address && row.interfaceIndex == hold.interfaceIndex;
    });
    // An entry that is no longer the session's was set by somebody else
    // meanwhile: it stays.
    const bool ours = current != rows.end() && current->hasMac && current->mac == hold.mac && !current->permanent;
    if (current == rows.end() || ours) {
        if (hold.previous) {
            if (const int error = tables_.restoreNeighbour(*hold.previous))
                log_("neighbour entry of " + addressText(hold.address)
                     + " could not be put back: " + hostTablesErrorText(error));
        } else if (ours) {
            tables_.deleteNeighbour(*current);
        }
    }
    hold.added = false;
    hold.previous.reset();
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
