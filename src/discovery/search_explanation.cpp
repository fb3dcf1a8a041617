#include "discovery/search_explanation.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>

#include "record/ipv4_text.h"

namespace quillmar {

namespace {

using Clock = std::chrono::steady_clock;

struct Captured {
    bool started = false;
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a program (looked for in /usr/sbin and /sbin too, where nft and
// firewall-cmd live, which a user's PATH may lack) and collects what it
// prints, within `limit`.
Captured capture(const std::vector<std::string>& argv, std::chrono::milliseconds limit)
{
    Captured result;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return result;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    std::vector<std::string> words = argv;
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0)
            dup2(null, STDIN_FILENO);
        for (const char* directory : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"})
            execv((directory + words[0]).c_str(), pointers.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (child < 0) {
        close(out[0]);
        close(err[0]);
        return result;
    }
    const Clock::time_point until = Clock::now() + limit;
    pollfd watched[2]{{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0 || poll(watched, 2, int(left)) <= 0)
            break;
        for (pollfd& one : watched) {
            if (one.fd < 0 || !(one.revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[8192];
            const ssize_t n = read(one.fd, buffer, sizeof buffer);
            if (n <= 0) {
                one.fd = -1;
                --open;
                continue;
            }
            (one.fd == out[0] ? result.out : result.err).append(buffer, std::size_t(n));
        }
    }
    close(out[0]);
    close(err[0]);
    if (open > 0)
        kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.started = result.status != 127;
    return result;
}

std::string networkText(std::uint32_t address, int prefix)
{
    const std::uint32_t mask = prefix == 0 ? 0u : ~0u << (32 - prefix);
    return formatIpv4(address & mask) + "/" + std::to_string(prefix);
}

int prefixOfMask(std::uint32_t mask)
{
    int bits = 0;
    for (; mask & 0x80000000u; mask <<= 1)
        ++bits;
    return bits;
}

// The main table's route the kernel takes to `address`: the longest prefix,
// then the lowest metric.
std::optional<RouteRow> routeTo(const std::vector<RouteRow>& routes, std::uint32_t address)
{
    std::optional<RouteRow> best;
    for (const RouteRow& row : routes) {
        const std::uint32_t mask = row.prefixLength == 0 ? 0u : ~0u << (32 - row.prefixLength);
        if ((ntohl(row.destination) & mask) != (address & mask))
            continue;
        if (!best || row.prefixLength > best->prefixLength
            || (row.prefixLength == best->prefixLength && row.priority < best->priority))
            best = row;
    }
    return best;
}

const InterfaceState* interfaceWithIndex(const std::vector<InterfaceState>& interfaces, unsigned index)
{
    for (const InterfaceState& state : interfaces) {
        if (state.index == index)
            return &state;
    }
    return nullptr;
}

std::string nameOf(const std::vector<InterfaceState>& interfaces, unsigned index)
{
    const InterfaceState* state = interfaceWithIndex(interfaces, index);
    return state ? state->name : "interface " + std::to_string(index);
}

// What the PC's interfaces are: "eth0 up 192.0.2.1/24, eth1 down".
std::string interfacesLine(const std::vector<InterfaceState>& interfaces)
{
    std::string line;
    for (const InterfaceState& state : interfaces) {
        if (state.loopback)
            continue;
        line += (line.empty() ? "" : "; ") + state.name + (state.up ? " up" : " down");
        for (const auto& [address, prefix] : state.addresses)
            line += " " + formatIpv4(address) + "/" + std::to_string(prefix);
        if (state.addresses.empty())
            line += ", no IPv4 address";
    }
    return line.empty() ? "none but loopback" : line;
}

// Where a search by address or range reaches `address` from.
void explainReach(std::uint32_t address, const std::string& what, const std::vector<InterfaceState>& interfaces,
                  const std::vector<RouteRow>& routes, Explanation& explanation, const std::string& sudo)
{
    // The local table, not the main one, routes loopback: nothing to say of a route.
    if ((address >> 24) == 127) {
        explanation.found.push_back(what + " is on this PC's loopback");
        return;
    }
    const InterfaceState* holder = nullptr;
    std::string holderNetwork;
    for (const InterfaceState& state : interfaces) {
        for (const auto& [own, prefix] : state.addresses) {
            const std::uint32_t mask = prefix == 0 ? 0u : ~0u << (32 - prefix);
            if (!state.loopback && (own & mask) == (address & mask) && !holder) {
                holder = &state;
                holderNetwork = formatIpv4(own) + "/" + std::to_string(prefix);
            }
        }
    }
    const std::optional<RouteRow> route = routeTo(routes, address);
    if (!route) {
        explanation.found.push_back("no route leads to " + what
                                    + " from this PC: the requests cannot leave it; a route through the router "
                                      "of that network is needed");
        explanation.commands.push_back(sudo + "ip route add " + what + " via ROUTER  # ROUTER: the router's address");
        return;
    }
    const std::string out = nameOf(interfaces, route->interfaceIndex);
    const std::string routeText = networkText(ntohl(route->destination), route->prefixLength);
    if (holder) {
        if (holder->index != route->interfaceIndex)
            explanation.found.push_back("the route to " + what + " (" + routeText + ") leads out of " + out
                                        + ", although " + holder->name + " has an address on that network ("
                                        + holderNetwork + "): the requests leave through " + out);
        else if (holder->up)
            explanation.found.push_back(what + " is on " + holder->name + "'s network (" + holderNetwork + ")");
        else
            explanation.found.push_back(what + " is on " + holder->name + "'s network, but " + holder->name
                                        + " is down");
        return;
    }
    std::string through = route->gateway ? "through " + formatIpv4(ntohl(route->gateway)) + " on " + out
                                         : "directly on " + out;
    explanation.found.push_back("no address of this PC is on " + what + "; it is reached " + through + " (route "
                                + (route->prefixLength == 0 ? std::string("default") : routeText)
                                + "): a router between must forward the requests and the answers");
}

}  // namespace

std::vector<InterfaceState> SystemExplanationSources::interfaces()
{
    std::vector<InterfaceState> states;
    std::map<std::string, std::size_t> byName;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0)
        return states;
    for (const ifaddrs* entry = all; entry; entry = entry->ifa_next) {
        auto [at, added] = byName.emplace(entry->ifa_name, states.size());
        if (added) {
            InterfaceState state;
            state.name = entry->ifa_name;
            state.index = if_nametoindex(entry->ifa_name);
            state.up = (entry->ifa_flags & IFF_UP) != 0;
            state.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
            states.push_back(state);
        }
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET) {
            const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            const auto* mask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask);
            states[at->second].addresses.emplace_back(ntohl(address->sin_addr.s_addr),
                                                      mask ? prefixOfMask(ntohl(mask->sin_addr.s_addr)) : 32);
        }
    }
    freeifaddrs(all);
    return states;
}

std::vector<RouteRow> SystemExplanationSources::routes()
{
    std::vector<RouteRow> rows;
    NetlinkHostTables tables;
    if (tables.readRoutes(rows) != 0)
        rows.clear();
    return rows;
}

FirewallReading SystemExplanationSources::firewall()
{
    FirewallReading reading;
    std::ifstream ufw("/etc/ufw/ufw.conf");
    for (std::string line; std::getline(ufw, line);) {
        if (std::regex_match(line, std::regex(R"(\s*ENABLED\s*=\s*yes\s*)", std::regex::icase)))
            reading.ufwEnabled = true;
    }
    const Captured firewalld = capture({"firewall-cmd", "--state"}, std::chrono::seconds(5));
    reading.firewalldRunning = firewalld.started && firewalld.status == 0;

    const Captured json = capture({"nft", "-j", "list", "ruleset"}, std::chrono::seconds(5));
    if (!json.started) {
        reading.status = FirewallReading::Status::NotInstalled;
        return reading;
    }
    if (json.status != 0) {
        reading.error = json.err.substr(0, json.err.find('\n'));
        reading.status = json.err.find("Operation not permitted") != std::string::npos
                             ? FirewallReading::Status::NotPermitted
                             : FirewallReading::Status::Failed;
        return reading;
    }
    reading.json = QByteArray::fromStdString(json.out);
    reading.text = capture({"nft", "-a", "list", "ruleset"}, std::chrono::seconds(5)).out;
    return reading;
}

bool SystemExplanationSources::asRoot()
{
    return geteuid() == 0;
}

Explanation explainSearch(const SearchTarget& target, const std::vector<LocalAddress>& searched,
                          ExplanationSources& sources)
{
    Explanation explanation;
    const std::string sudo = sources.asRoot() ? "" : "sudo ";
    const std::vector<InterfaceState> interfaces = sources.interfaces();
    explanation.found.push_back("interfaces: " + interfacesLine(interfaces));
    const bool anyUp = std::any_of(interfaces.begin(), interfaces.end(), [](const InterfaceState& state) {
        return state.up && !state.loopback && !state.addresses.empty();
    });
    if (!anyUp) {
        explanation.found.push_back("no network interface is up with an IPv4 address: this PC is on no network the "
                                    "printers could be on");
        for (const InterfaceState& state : interfaces) {
            if (!state.loopback && !state.up)
                explanation.commands.push_back(sudo + "ip link set " + state.name + " up");
        }
    }

    const std::vector<RouteRow> routes = sources.routes();
    if (target.range) {
        const std::vector<std::uint32_t> asked = target.range->addressesToAsk();
        if (!asked.empty()) {
            explainReach(asked.front(), target.range->text(), interfaces, routes, explanation, sudo);
            // A range across two networks may leave by two ways.
            const std::optional<RouteRow> first = routeTo(routes, asked.front());
            const std::optional<RouteRow> last = routeTo(routes, asked.back());
            if (first.has_value() != last.has_value()
                || (first && (first->destination != last->destination || first->prefixLength != last->prefixLength)))
                explainReach(asked.back(), formatIpv4(asked.back()), interfaces, routes, explanation, sudo);
        }
    } else if (!target.broadcast) {
        if (const std::optional<std::uint32_t> address = parseIpv4(target.address))
            explainReach(*address, target.address, interfaces, routes, explanation, sudo);
    }

    // The answers as they reach each address the search went out from, and
    // a read's answer at the configuration port.
    const FirewallReading firewall = sources.firewall();
    switch (firewall.status) {
    case FirewallReading::Status::Read: {
        // Each rule once, with every answer port it drops.
        std::vector<std::pair<FirewallVerdict, std::vector<std::string>>> drops;
        bool dropped = false;
        std::optional<std::uint32_t> source;
        if (target.range && !target.range->addressesToAsk().empty())
            source = target.range->addressesToAsk().front();
        else if (!target.broadcast)
            source = parseIpv4(target.address);
        for (std::size_t k = 0; !searched.empty() && k <= searched.size(); ++k) {
            AnswerDatagram answer;
            const LocalAddress& local = searched[k < searched.size() ? k : 0];
            answer.destination = local.address;
            answer.port = k < searched.size() ? std::uint16_t(kAnswerPortsFirst + k) : kConfigAnswerPort;
            answer.interfaceName = nameOf(interfaces, local.interfaceIndex);
            answer.sourceKnown = source.has_value();
            answer.source = source.value_or(0);
            answer.reply = !target.broadcast;
            const FirewallVerdict verdict = judgeAnswer(firewall.json, firewall.text, answer);
            if (verdict.kind == FirewallVerdict::Kind::Passes)
                continue;
            dropped = true;
            const std::string port = std::to_string(answer.port) + " on " + answer.interfaceName;
            const auto same = std::find_if(drops.begin(), drops.end(),
                                           [&](const auto& drop) { return drop.first.where() == verdict.where(); });
            if (same != drops.end())
                same->second.push_back(port);
            else
                drops.push_back({verdict, {port}});
        }
        for (const auto& [verdict, ports] : drops) {
            std::string list = ports.front();
            for (std::size_t i = 1; i < ports.size(); ++i)
                list += (i + 1 == ports.size() ? " and " : ", ") + ports[i];
            explanation.found.push_back(
                std::string(verdict.kind == FirewallVerdict::Kind::Dropped ? "the firewall drops"
                                                                           : "the firewall may drop")
                + " the answers to UDP port" + (ports.size() > 1 ? "s " : " ") + list + " ("
                + (verdict.keeper.empty() ? std::string("nftables") : verdict.keeper) + "): " + verdict.where());
            explanation.commands.push_back(openingCommand(verdict, sources.asRoot()));
        }
        if (!dropped)
            explanation.found.push_back("the firewall (nftables) lets the answers in");
        break;
    }
    case FirewallReading::Status::NotInstalled:
        explanation.found.push_back("nft is not installed: the firewall's rules were not looked at");
        break;
    case FirewallReading::Status::NotPermitted:
    case FirewallReading::Status::Failed:
        explanation.found.push_back(
            firewall.status == FirewallReading::Status::NotPermitted
                ? std::string("the firewall's rules can be read only with CAP_NET_ADMIN: run sudo quillmar-cli "
                              "discover --explain to see whether they drop the answers")
                : "the firewall's rules could not be read (nft: " + firewall.error + ")");
        break;
    }
    if (firewall.status != FirewallReading::Status::Read) {
        if (firewall.firewalldRunning) {
            explanation.found.push_back("firewalld is running");
            explanation.commands.push_back(sudo + "firewall-cmd --permanent --add-service=quillmar && " + sudo
                                           + "firewall-cmd --reload");
        }
        if (firewall.ufwEnabled) {
            explanation.found.push_back("ufw is enabled");
            explanation.commands.push_back(sudo + "ufw allow Quillmar");
        }
    }
    if (target.broadcast && explanation.commands.empty())
        explanation.found.push_back("nothing on this PC stops the answers: the printers may be behind a router or on "
                                    "another VLAN (quillmar-cli discover --range NETWORK), on a network this PC is "
                                    "not on, or switched off");
    return explanation;
}

}  // namespace quillmar
