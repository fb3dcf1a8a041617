#include "maintenance/session_tables.h"

#include <utility>

namespace quillmar {

SessionTables::SessionTables(HostTables* tables, HostTableHelpers::LogLine log)
    : own_(tables ? nullptr : std::make_unique<NetlinkHostTables>()), helpers_(tables ? *tables : *own_, std::move(log))
{
}

SessionEnvironment SessionTables::environment(std::vector<LocalAddress> addresses, const MaintenanceTiming& timing)
{
    SessionEnvironment environment;
    environment.localAddresses = std::move(addresses);
    environment.tables = &helpers_;
    environment.timing = timing;
    return environment;
}

}  // namespace quillmar
