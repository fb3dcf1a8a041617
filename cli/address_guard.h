#pragma once
// The address guard of the verbs that save records over the network: a new
// ipAddress that another module (another MAC) already answers from on the
// PC's networks, or that one command gives to two modules, would leave two
// printers on one address, and neither reachable. Such a save is refused before
// anything is sent, unless the user allows it. One broadcast search, taken
// once before the saves, is what the guard looks among.
#include <QString>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "module_census.h"
#include "platform/local_addresses.h"
#include "record/device_entry.h"

namespace quillmar::cli {

class AddressGuard {
public:
    // --allow-duplicate-address: nothing is refused (the warning still comes).
    void allowDuplicates(bool allow) { allowDuplicates_ = allow; }
    bool allowsDuplicates() const { return allowDuplicates_; }

    // One search of the PC's networks; the reason when it could not run.
    std::optional<QString> survey();
    // What a survey would find, given directly (tests).
    void setCensus(std::vector<CensusModule> census, std::vector<LocalAddress> locals);

    // Nothing when `record` may be saved to the module that reported `read`
    // from `answeredAt`; otherwise why not. A kept address is always allowed.
    std::optional<QString> check(const DeviceEntry& read, std::uint32_t answeredAt, const DeviceEntry& record);

    // A STATIC address outside the network of the PC's interface the module
    // answered on: allowed, but reachable only through a route.
    std::optional<QString> warning(std::uint32_t answeredAt, const DeviceEntry& record) const;

private:
    bool allowDuplicates_ = false;
    bool surveyed_ = false;
    std::vector<CensusModule> census_;
    std::vector<LocalAddress> locals_;
    std::map<std::uint32_t, std::string> given_;  // new address -> the MAC it went to
};

}  // namespace quillmar::cli
