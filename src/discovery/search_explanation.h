#pragma once
// Why a search found nothing, from what this PC can see of itself: which
// interfaces are up with which addresses, whether it has an address on the
// network asked or a route to it (and through which interface), and whether its
// firewall lets the modules' answers in. Each finding is a line for the user;
// each remedy an exact command. The PC is only looked at: nothing is sent and
// nothing is changed.
#include <QByteArray>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "discovery/firewall_rules.h"
#include "discovery/search_engine.h"
#include "platform/host_tables.h"
#include "platform/local_addresses.h"

namespace quillmar {

struct InterfaceState {
    std::string name;
    unsigned index = 0;
    bool up = false;
    bool loopback = false;
    std::vector<std::pair<std::uint32_t, int>> addresses;  // address (first number in the top byte), prefix length
};

struct FirewallReading {
    enum class Status { Read, NotInstalled, NotPermitted, Failed };
    Status status = Status::Read;
    QByteArray json;   // nft -j list ruleset
    std::string text;  // nft -a list ruleset
    std::string error;
    // Seen without reading the ruleset (a user without the privilege).
    bool firewalldRunning = false;
    bool ufwEnabled = false;
};

// Where the explanation looks; tests give their own.
class ExplanationSources {
public:
    virtual ~ExplanationSources() = default;
    virtual std::vector<InterfaceState> interfaces() = 0;
    // The main routing table (addresses in network byte order, as read).
    virtual std::vector<RouteRow> routes() = 0;
    virtual FirewallReading firewall() = 0;
    virtual bool asRoot() = 0;
};

// getifaddrs, rtnetlink, `nft`, `firewall-cmd --state` and /etc/ufw/ufw.conf.
class SystemExplanationSources final : public ExplanationSources {
public:
    std::vector<InterfaceState> interfaces() override;
    std::vector<RouteRow> routes() override;
    FirewallReading firewall() override;
    bool asRoot() override;
};

struct Explanation {
    std::vector<std::string> found;     // what the PC shows, a line each
    std::vector<std::string> commands;  // what to run, a line each
};

// `searched` are the local addresses the search went out from; `asked`, for a
// range, how many of its addresses had a route.
Explanation explainSearch(const SearchTarget& target, const std::vector<LocalAddress>& searched,
                          ExplanationSources& sources);

}  // namespace quillmar
