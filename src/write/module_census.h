#pragma once
// Every module that answers a broadcast search from the PC's addresses, of
// either printer family, with the address each answered from: what the
// address guard and the read-back of a DHCP module look among.
#include <QString>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "discovery/search_timing.h"
#include "platform/local_addresses.h"
#include "record/device_entry.h"

namespace quillmar {

struct CensusModule {
    DeviceEntry record;              // as the module answered, with the address it answered from as ipAddress
    std::uint32_t from = 0;          // that address
    std::size_t localIndex = 0;      // which of the local addresses heard it
    unsigned interfaceIndex = 0;     // the interface of that address
    std::string storedAddress = {};  // the ipAddress its record holds (a DHCP module's may differ from `from`)

    // The record as the module stores it: its own ipAddress, not where it answered.
    DeviceEntry storedRecord() const;
};

// One search; nothing with `error` when the PC's addresses cannot be read.
// `stop` ends it early when set.
std::optional<std::vector<CensusModule>> takeCensus(QString& error, const std::atomic<bool>* stop = nullptr);
// The same from the given local addresses, with the given timing.
std::vector<CensusModule> takeCensus(const std::vector<LocalAddress>& locals, const SearchTiming& timing,
                                     const std::atomic<bool>* stop = nullptr);

}  // namespace quillmar
