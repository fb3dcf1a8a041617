#pragma once
// The temporary host route and neighbour entry through which a session reaches
// a device on a subnet the PC does not have. Each change holds the lock of its
// table, and only around that one table: the locks belong to whoever runs the
// workers (the main window, or the command line) and are never held together.
// Callable from any thread.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/host_tables.h"

namespace quillmar {

// A session's neighbour entry on one interface and what it replaced, so that
// its removal takes away only the session's own entry and puts back the one
// that was there before.
struct NeighbourHold {
    std::uint32_t address = 0;
    unsigned interfaceIndex = 0;
    MacBytes mac{};
    bool added = false;                    // the session's entry is in the table
    std::optional<NeighbourRow> previous;  // the PC's entry it replaced
};

class HostTableHelpers {
public:
    using LogLine = std::function<void(const std::string&)>;

    // Sessions of one program share one HostTableHelpers: its locks keep two
    // of them from changing the same route or entry at once.
    HostTableHelpers(HostTables& tables, LogLine log);

    // Whether the tables may be changed at all; checked before anything is sent.
    bool mayChangeTables() { return tables_.mayChangeTables(); }

    // Addresses in network byte order. 0 or -1; "INADDR_NONE" is logged for a
    // device address of all ones or a local address of 0 or all ones, the
    // kernel's reason for any other failure. A host route to the device that
    // carries this program's mark was left by an earlier run that could not
    // clean up: it is replaced. One without the mark is the administrator's:
    // it is used as it is and nothing is added. Either is logged.
    int addHostRoute(std::uint32_t deviceAddress, std::uint32_t localAddress, unsigned interfaceIndex);
    // Removes the host route to the device on the interface that this program
    // added (on any interface when `interfaceIndex` is 0). Several sessions
    // run at once: another session's route to another interface stays.
    void deleteHostRoute(std::uint32_t deviceAddress, unsigned interfaceIndex = 0);
    // 0 or -1 (logged); `hold` says what to undo. A permanent entry for the
    // device on the interface was set by hand: it is used as it is (and
    // logged), never replaced. Any other entry there (learned by the kernel,
    // static, with another MAC) is remembered in `hold` and replaced.
    int addNeighbourEntry(std::uint32_t deviceAddress, const MacBytes& mac, unsigned interfaceIndex,
                          NeighbourHold& hold);
    // Undoes `hold`: while the entry at its address and interface is still the
    // session's, the entry it replaced is put back, or the session's is
    // removed when there was none. Nothing else is touched: other entries
    // with the device's MAC, other interfaces, entries somebody set meanwhile.
    void deleteNeighbourEntries(NeighbourHold& hold);

private:
    HostTables& tables_;
    std::mutex routeLock_;
    std::mutex neighbourLock_;
    LogLine log_;
};

// The line a user without the privilege is shown, with the remedy.
std::string missingPrivilegeText();

}  // namespace quillmar
