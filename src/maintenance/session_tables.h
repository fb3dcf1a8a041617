#pragma once
// The PC's route and neighbour tables as a program's sessions change them: the
// system's (netlink) unless a caller brings its own (tests), behind the one
// HostTableHelpers whose locks keep two sessions of the program apart.
#include <memory>
#include <vector>

#include "maintenance/device_session.h"
#include "maintenance/host_table_helpers.h"
#include "platform/host_tables.h"
#include "platform/local_addresses.h"

namespace quillmar {

class SessionTables {
public:
    // `tables` nullptr: the system's.
    SessionTables(HostTables* tables, HostTableHelpers::LogLine log);
    SessionTables(const SessionTables&) = delete;
    SessionTables& operator=(const SessionTables&) = delete;

    // What a device session needs: the PC's addresses, these tables, the waits.
    SessionEnvironment environment(std::vector<LocalAddress> addresses, const MaintenanceTiming& timing);

private:
    std::unique_ptr<HostTables> own_;
    HostTableHelpers helpers_;
};

}  // namespace quillmar
