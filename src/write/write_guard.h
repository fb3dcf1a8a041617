#pragma once
// The address guard of every write that gives a printer a new ipAddress. A
// printer must not be given an address that it could not be reached at, or
// that would leave two hosts on one address and neither reachable:
// - an address no host may take: 0.x, loopback (but for a printer that is on
//   loopback itself, a simulated one), multicast;
// - this PC's own addresses, and the network and broadcast address of a
//   network the PC is on;
// - an address another printer (another MAC) answers from on any of the PC's
//   networks, unless the same command moves that printer away; and one address
//   given to two printers in one command.
// What it looks among is given once before the writes: one search of the
// PC's networks (survey(), the command line), or the printers a window's list
// holds (setCensus). A kept address, where the printer answers now, is always
// allowed; a DHCP printer is judged by where it answers too, not by the
// address its record stores.
#include <QString>

#include <algorithm>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_tables.h"
#include "platform/local_addresses.h"
#include "record/device_entry.h"
#include "write/module_census.h"

namespace quillmar {

struct GuardRefusal {
    QString reason;
    bool inUse = false;  // another printer has the address (--allow-duplicate-address lets it through)
};

class WriteGuard {
public:
    // --allow-duplicate-address: an address in use is not refused (the
    // addresses no printer may take still are).
    void allowDuplicates(bool allow) { allowDuplicates_ = allow; }
    bool allowsDuplicates() const { return allowDuplicates_; }

    // The PC's addresses and one search of its networks; the reason when they
    // could not be had.
    std::optional<QString> survey();
    // The PC's addresses only (a write that has no network to search).
    std::optional<QString> readLocalAddresses();
    // What a survey would find, given directly (a window's list, tests).
    void setCensus(std::vector<CensusModule> census, std::vector<LocalAddress> locals);
    const std::vector<CensusModule>& census() const { return census_; }

    // A module heard while the command runs (a search that feeds the saves).
    void addHeard(const CensusModule& module) { census_.push_back(module); }

    // This command also moves the printer `mac` to `address`: its old address
    // is free for another printer of the same command (two printers swap).
    void expectMove(const std::string& mac, std::uint32_t address);

    // One MAC, one printer: the other addresses `mac` answered from besides
    // `at`, when it answered from more than one and the user did not pick
    // `at` (pick()); empty when there is no doubt which host is the printer.
    std::vector<std::uint32_t> claimedElsewhere(const std::string& mac, std::uint32_t at) const;
    // --address: of the hosts that answer with one MAC, the one at `address`
    // is the printer.
    void pick(std::uint32_t address) { picked_.push_back(address); }
    bool picked(std::uint32_t address) const
    {
        return std::find(picked_.begin(), picked_.end(), address) != picked_.end();
    }

    // Nothing when the host at `sender` is the network card of MAC `mac`,
    // as far as the PC's neighbour table knows (write/sender_check.h).
    std::optional<QString> checkSender(const std::string& mac, std::uint32_t sender);
    // Where checkSender reads the neighbour table (the kernel's unless set).
    void setHostTables(std::shared_ptr<HostTables> tables) { tables_ = std::move(tables); }

    // Nothing when the printer `mac`, which answers at `keptAt` (its address
    // now), may be given `address`; otherwise why not.
    std::optional<GuardRefusal> check(const std::string& mac, std::optional<std::uint32_t> keptAt,
                                      std::uint32_t address);

    // A STATIC address outside the network of the PC's interface the printer
    // answered on: allowed, but reachable only through a route.
    std::optional<QString> warning(std::uint32_t answeredAt, const DeviceEntry& record) const;

private:
    std::optional<QString> unfitAddress(std::uint32_t address, std::optional<std::uint32_t> keptAt) const;

    bool allowDuplicates_ = false;
    std::vector<CensusModule> census_;
    std::vector<LocalAddress> locals_;
    std::map<std::string, std::uint32_t> moves_;  // MAC -> the address this command gives it
    std::map<std::uint32_t, std::string> given_;  // new address -> the MAC it went to
    std::vector<std::uint32_t> picked_;           // --address
    std::shared_ptr<HostTables> tables_;
};

// What a window knows without a search: the PC's own addresses as they are
// now, and the printers its list holds (`listed`).
WriteGuard listedPrintersGuard(std::vector<CensusModule> listed);

// "192.0.2.20 and 192.0.2.66": addresses in order, for a message.
QString addressList(std::vector<std::uint32_t> addresses);

// A MAC text as the guard and the write compare it: twelve hexadecimal digits
// in any of the usual notations give "00-1F-7C-00-02-14"; anything else stays
// apart from every MAC ("mac-" and its bytes).
std::string macKey(std::string_view mac);

}  // namespace quillmar
