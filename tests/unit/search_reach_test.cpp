// Reaching printers a broadcast does not: address ranges as a user types them,
// the walk of an nftables ruleset for a module's answer (rulesets as `nft -j
// list ruleset` and `nft -a list ruleset` printed them for nftables' own
// tables, a firewalld-shaped and a ufw-shaped table), and the explanation
// built from what a PC shows.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include "discovery/firewall_rules.h"
#include "discovery/search_explanation.h"
#include "record/address_range.h"
#include "record/ipv4_text.h"

using namespace quillmar;

namespace {

std::uint32_t ip(const char* text)
{
    return *parseIpv4(text);
}

TEST(AddressRange, TheFormsAUserTypesAndWhatEachAsks)
{
    struct Case {
        const char* text;
        const char* shown;  // nullptr: refused
        std::size_t asked;
        const char* firstAsked;
        const char* lastAsked;
    };
    const Case cases[] = {
        {"192.0.2.0/24", "192.0.2.0/24", 254, "192.0.2.1", "192.0.2.254"},
        // Host bits are cleared, blanks around it are no fault.
        {" 192.0.2.77/24 ", "192.0.2.0/24", 254, "192.0.2.1", "192.0.2.254"},
        {"198.51.100.0/20", "198.51.96.0/20", 4094, "198.51.96.1", "198.51.111.254"},
        // /31 and /32 have no network or broadcast address of their own.
        {"192.0.2.8/31", "192.0.2.8/31", 2, "192.0.2.8", "192.0.2.9"},
        {"192.0.2.9/32", "192.0.2.9/32", 1, "192.0.2.9", "192.0.2.9"},
        {"192.0.2.30/30", "192.0.2.28/30", 2, "192.0.2.29", "192.0.2.30"},
        // A-B asks every address it names, .0 and .255 of a wider network too.
        {"203.0.113.250-203.0.114.3", "203.0.113.250-203.0.114.3", 10, "203.0.113.250", "203.0.114.3"},
        {"192.0.2.5 - 192.0.2.5", "192.0.2.5-192.0.2.5", 1, "192.0.2.5", "192.0.2.5"},
        {"198.51.96.0-198.51.111.255", "198.51.96.0-198.51.111.255", 4096, "198.51.96.0", "198.51.111.255"},
        {"198.51.96.0-198.51.112.0", nullptr, 0, "", ""},  // 4097 addresses
        {"198.51.100.0/19", nullptr, 0, "", ""},
        {"192.0.2.9-192.0.2.8", nullptr, 0, "", ""},
        {"192.0.2.0/33", nullptr, 0, "", ""},
        {"192.0.2/24", nullptr, 0, "", ""},
        {"192.0.2.0/", nullptr, 0, "", ""},
        {"192.0.2.1-", nullptr, 0, "", ""},
        {"192.0.2.1", nullptr, 0, "", ""},
        {"0.0.0.0/24", nullptr, 0, "", ""},
        {"223.255.255.250-224.0.0.3", nullptr, 0, "", ""},
        {"255.255.255.0/24", nullptr, 0, "", ""},
    };
    for (const Case& c : cases) {
        std::string error;
        const std::optional<AddressRange> range = parseAddressRange(c.text, error);
        if (!c.shown) {
            EXPECT_FALSE(range) << c.text;
            EXPECT_FALSE(error.empty()) << c.text;
            continue;
        }
        ASSERT_TRUE(range) << c.text << ": " << error;
        EXPECT_EQ(range->text(), c.shown);
        const std::vector<std::uint32_t> asked = range->addressesToAsk();
        ASSERT_EQ(asked.size(), c.asked) << c.text;
        EXPECT_EQ(formatIpv4(asked.front()), c.firstAsked) << c.text;
        EXPECT_EQ(formatIpv4(asked.back()), c.lastAsked) << c.text;
    }
    std::string error;
    parseAddressRange("198.51.100.0/19", error);
    EXPECT_EQ(error, "198.51.96.0/19 holds 8192 addresses; at most 4096 (a /20) are searched at a time");
    parseAddressRange("223.255.255.250-224.0.0.3", error);
    EXPECT_EQ(error, "223.255.255.250-224.0.0.3 reaches an address no module has: 224.0.0.3 is a multicast address");
}

TEST(AddressRange, AManagerSearchTakesARangeOrOneAddressFromTheDialog)
{
    const SearchTarget range = SearchTarget::fromText(false, "192.0.2.0/24");
    ASSERT_TRUE(range.range);
    EXPECT_EQ(range.address, "192.0.2.0/24");
    const SearchTarget one = SearchTarget::fromText(false, "192.0.2.10");
    EXPECT_FALSE(one.range);
    EXPECT_EQ(one.address, "192.0.2.10");
    EXPECT_TRUE(SearchTarget::fromText(true, "192.0.2.0/24").broadcast);
}

// nft 1.0.6's own words for four rulesets.
const char* kPolicyJson =
    R"({"nftables": [{"table": {"family": "inet", "name": "filter", "handle": 1}}, {"chain": {"family": "inet", "table": "filter", "name": "input", "handle": 1, "type": "filter", "hook": "input", "prio": 0, "policy": "drop"}}, {"rule": {"family": "inet", "table": "filter", "chain": "input", "handle": 2, "expr": [{"match": {"op": "in", "left": {"ct": {"key": "state"}}, "right": ["established", "related"]}}, {"accept": null}]}}, {"rule": {"family": "inet", "table": "filter", "chain": "input", "handle": 3, "expr": [{"match": {"op": "==", "left": {"meta": {"key": "iifname"}}, "right": "lo"}}, {"accept": null}]}}, {"rule": {"family": "inet", "table": "filter", "chain": "input", "handle": 4, "expr": [{"match": {"op": "==", "left": {"payload": {"protocol": "tcp", "field": "dport"}}, "right": 22}}, {"accept": null}]}}]})";
const char* kPolicyText = "table inet filter { # handle 1\n\tchain input { # handle 1\n\t\ttype filter hook input "
                          "priority filter; policy drop;\n\t\tct state established,related accept # handle 2\n\t\t"
                          "iifname \"lo\" accept # handle 3\n\t\ttcp dport 22 accept # handle 4\n\t}\n}\n";

const char* kFirewalldJson =
    R"({"nftables": [{"table": {"family": "inet", "name": "firewalld", "handle": 2}}, {"chain": {"family": "inet", "table": "firewalld", "name": "filter_INPUT", "handle": 1, "type": "filter", "hook": "input", "prio": 10, "policy": "accept"}}, {"chain": {"family": "inet", "table": "firewalld", "name": "filter_INPUT_ZONES", "handle": 2}}, {"chain": {"family": "inet", "table": "firewalld", "name": "filter_IN_public", "handle": 3}}, {"rule": {"family": "inet", "table": "firewalld", "chain": "filter_INPUT", "handle": 5, "expr": [{"match": {"op": "==", "left": {"ct": {"key": "state"}}, "right": {"set": ["established", "related"]}}}, {"accept": null}]}}, {"rule": {"family": "inet", "table": "firewalld", "chain": "filter_INPUT", "handle": 6, "expr": [{"match": {"op": "in", "left": {"ct": {"key": "status"}}, "right": "dnat"}}, {"accept": null}]}}, {"rule": {"family": "inet", "table": "firewalld", "chain": "filter_INPUT", "handle": 7, "expr": [{"match": {"op": "==", "left": {"meta": {"key": "iifname"}}, "right": "lo"}}, {"accept": null}]}}, {"rule": {"family": "inet", "table": "firewalld", "chain": "filter_INPUT", "handle": 8, "expr": [{"jump": {"target": "filter_INPUT_ZONES"}}]}}, {"rule": {"family": "inet", "table": "firewalld", "chain": "filter_INPUT", "handle": 9, "expr": [{"match": {"op": "in", "left": {"ct": {"key": "state"}}, "right": "invalid"}}, {"drop": null}]}}, {"rule": {"family": "inet", "table": "firewalld", "chain": "filter_INPUT", "handle": 10, "expr": [{"reject": {"type": "icmpx", "expr": "admin-prohibited"}}]}}, {"rule": {"family": "inet", "table": "firewalld", "chain": "filter_INPUT_ZONES", "handle": 11, "expr": [{"match": {"op": "==", "left": {"meta": {"key": "iifname"}}, "right": "eth0"}}, {"goto": {"target": "filter_IN_public"}}]}}, {"rule": {"family": "inet", "table": "firewalld", "chain": "filter_INPUT_ZONES", "handle": 12, "expr": [{"goto": {"target": "filter_IN_public"}}]}}, {"rule": {"family": "inet", "table": "firewalld", "chain": "filter_IN_public", "handle": 14, "expr": [{"match": {"op": "==", "left": {"meta": {"key": "l4proto"}}, "right": {"set": ["icmp", "ipv6-icmp"]}}}, {"accept": null}]}}, {"rule": {"family": "inet", "table": "firewalld", "chain": "filter_IN_public", "handle": 16, "expr": [{"match": {"op": "==", "left": {"payload": {"protocol": "tcp", "field": "dport"}}, "right": 22}}, {"match": {"op": "==", "left": {"ct": {"key": "state"}}, "right": {"set": ["new", "untracked"]}}}, {"accept": null}]}}]})";
const char* kFirewalldText = "table inet firewalld { # handle 2\n\tchain filter_INPUT { # handle 1\n"
                             "\t\treject with icmpx admin-prohibited # handle 10\n\t}\n}\n";

const char* kUfwJson =
    R"({"nftables": [{"table": {"family": "ip", "name": "filter", "handle": 3}}, {"chain": {"family": "ip", "table": "filter", "name": "INPUT", "handle": 1, "type": "filter", "hook": "input", "prio": 0, "policy": "drop"}}, {"chain": {"family": "ip", "table": "filter", "name": "ufw-before-input", "handle": 2}}, {"rule": {"family": "ip", "table": "filter", "chain": "INPUT", "handle": 3, "expr": [{"jump": {"target": "ufw-before-input"}}]}}, {"rule": {"family": "ip", "table": "filter", "chain": "ufw-before-input", "handle": 4, "expr": [{"match": {"op": "==", "left": {"meta": {"key": "iifname"}}, "right": "lo"}}, {"accept": null}]}}, {"rule": {"family": "ip", "table": "filter", "chain": "ufw-before-input", "handle": 5, "expr": [{"match": {"op": "in", "left": {"ct": {"key": "state"}}, "right": ["established", "related"]}}, {"accept": null}]}}]})";

const char* kMaybeJson =
    R"({"nftables": [{"table": {"family": "inet", "name": "filter", "handle": 4}}, {"set": {"family": "inet", "name": "blocked", "table": "filter", "type": "ipv4_addr", "handle": 2}}, {"chain": {"family": "inet", "table": "filter", "name": "input", "handle": 1, "type": "filter", "hook": "input", "prio": 0, "policy": "accept"}}, {"rule": {"family": "inet", "table": "filter", "chain": "input", "handle": 4, "expr": [{"vmap": {"key": {"ct": {"key": "state"}}, "data": {"set": [["invalid", {"drop": null}], ["established", {"accept": null}], ["related", {"accept": null}]]}}}]}}, {"rule": {"family": "inet", "table": "filter", "chain": "input", "handle": 5, "expr": [{"match": {"op": "==", "left": {"payload": {"protocol": "ip", "field": "saddr"}}, "right": "@blocked"}}, {"drop": null}]}}, {"rule": {"family": "inet", "table": "filter", "chain": "input", "handle": 6, "expr": [{"match": {"op": "==", "left": {"payload": {"protocol": "udp", "field": "dport"}}, "right": 6000}}, {"accept": null}]}}]})";

// The same drop rule with sets, ranges, prefixes and wildcard names: whether
// it hits the answer to port 16384 on eth0 from 192.0.2.10.
TEST(FirewallRules, WhatAMatchHitsOnAnAnswer)
{
    struct Case {
        const char* match;
        FirewallVerdict::Kind kind;
    };
    const auto rule = [](const std::string& expr) {
        return R"({"nftables": [{"table": {"family": "ip", "name": "t"}}, {"chain": {"family": "ip", "table": "t", "name": "c", "hook": "input", "prio": 0, "policy": "accept"}}, {"rule": {"family": "ip", "table": "t", "chain": "c", "handle": 7, "expr": [)"
               + expr + R"(, {"drop": null}]}}]})";
    };
    using Kind = FirewallVerdict::Kind;
    const Case cases[] = {
        {R"({"match": {"op": "==", "left": {"payload": {"protocol": "udp", "field": "dport"}}, "right": 16384}})",
         Kind::Dropped},
        {R"({"match": {"op": "==", "left": {"payload": {"protocol": "udp", "field": "dport"}}, "right": 16385}})",
         Kind::Passes},
        {R"({"match": {"op": "==", "left": {"payload": {"protocol": "th", "field": "dport"}}, "right": {"range": [16000, 17000]}}})",
         Kind::Dropped},
        {R"({"match": {"op": "!=", "left": {"payload": {"protocol": "udp", "field": "sport"}}, "right": 5000}})",
         Kind::Passes},
        {R"({"match": {"op": "==", "left": {"payload": {"protocol": "udp", "field": "dport"}}, "right": {"set": [53, {"range": [16384, 16415]}]}}})",
         Kind::Dropped},
        {R"({"match": {"op": "==", "left": {"payload": {"protocol": "tcp", "field": "dport"}}, "right": 16384}})",
         Kind::Passes},
        {R"({"match": {"op": "==", "left": {"meta": {"key": "l4proto"}}, "right": "udp"}})", Kind::Dropped},
        {R"({"match": {"op": "==", "left": {"meta": {"key": "iifname"}}, "right": "eth*"}})", Kind::Dropped},
        {R"({"match": {"op": "==", "left": {"meta": {"key": "iifname"}}, "right": "wlan0"}})", Kind::Passes},
        {R"({"match": {"op": "==", "left": {"payload": {"protocol": "ip", "field": "saddr"}}, "right": {"prefix": {"addr": "192.0.2.0", "len": 25}}}})",
         Kind::Dropped},
        {R"({"match": {"op": "==", "left": {"payload": {"protocol": "ip", "field": "saddr"}}, "right": {"prefix": {"addr": "192.0.2.128", "len": 25}}}})",
         Kind::Passes},
        {R"({"match": {"op": "==", "left": {"payload": {"protocol": "ip", "field": "daddr"}}, "right": "192.0.2.1"}})",
         Kind::Dropped},
        {R"({"match": {"op": "==", "left": {"ct": {"key": "state"}}, "right": "new"}})", Kind::Dropped},
        {R"({"match": {"op": "==", "left": {"meta": {"key": "mark"}}, "right": 1}})", Kind::MayDrop},
        {R"({"xt": {"type": "match", "name": "recent"}})", Kind::MayDrop},
    };
    AnswerDatagram answer;
    answer.source = ip("192.0.2.10");
    answer.sourceKnown = true;
    answer.destination = ip("192.0.2.1");
    answer.interfaceName = "eth0";
    for (const Case& c : cases) {
        const FirewallVerdict verdict = judgeAnswer(QByteArray::fromStdString(rule(c.match)), {}, answer);
        EXPECT_EQ(verdict.kind, c.kind) << c.match;
        if (c.kind != Kind::Passes) {
            EXPECT_EQ(verdict.handle, 7) << c.match;
        }
    }
}

TEST(FirewallRules, TheRulesetsOfNftablesFirewalldAndUfwAndTheirCommands)
{
    AnswerDatagram broadcast;
    broadcast.destination = ip("192.0.2.1");
    broadcast.interfaceName = "eth0";
    AnswerDatagram reply = broadcast;
    reply.reply = true;
    reply.source = ip("203.0.113.10");
    reply.sourceKnown = true;

    // A policy that drops what no rule accepts: an answer to a broadcast is
    // no reply the connection tracking knows; one to a unicast request is.
    FirewallVerdict verdict = judgeAnswer(kPolicyJson, kPolicyText, broadcast);
    EXPECT_EQ(verdict.kind, FirewallVerdict::Kind::Dropped);
    EXPECT_EQ(verdict.where(), "table inet filter, chain input: its policy drop");
    EXPECT_EQ(openingCommand(verdict, true),
              "nft 'add rule inet filter input udp sport 5000 udp dport { 6000, 16384-16415 } accept'");
    EXPECT_EQ(judgeAnswer(kPolicyJson, kPolicyText, reply).kind, FirewallVerdict::Kind::Passes);

    // firewalld's zone chains are reached by jump and goto; the reject at the
    // end of its input chain is its own.
    verdict = judgeAnswer(kFirewalldJson, kFirewalldText, broadcast);
    EXPECT_EQ(verdict.kind, FirewallVerdict::Kind::Dropped);
    EXPECT_EQ(verdict.keeper, "firewalld");
    EXPECT_EQ(verdict.where(),
              "table inet firewalld, chain filter_INPUT: reject with icmpx admin-prohibited (handle 10)");
    EXPECT_EQ(openingCommand(verdict, false),
              "sudo firewall-cmd --permanent --add-service=quillmar && sudo firewall-cmd --reload");
    EXPECT_EQ(judgeAnswer(kFirewalldJson, kFirewalldText, reply).kind, FirewallVerdict::Kind::Passes);

    verdict = judgeAnswer(kUfwJson, {}, broadcast);
    EXPECT_EQ(verdict.kind, FirewallVerdict::Kind::Dropped);
    EXPECT_EQ(verdict.keeper, "ufw");
    EXPECT_EQ(openingCommand(verdict, true), "ufw allow Quillmar");

    // A named set may hold the module's address: it may drop a broadcast's
    // answer; a reply is accepted by the verdict map first.
    verdict = judgeAnswer(kMaybeJson, {}, broadcast);
    EXPECT_EQ(verdict.kind, FirewallVerdict::Kind::MayDrop);
    EXPECT_EQ(verdict.handle, 5);
    EXPECT_EQ(openingCommand(verdict, true), "nft 'insert rule inet filter input position 5 udp sport 5000 udp dport "
                                             "{ 6000, 16384-16415 } accept'");
    EXPECT_EQ(judgeAnswer(kMaybeJson, {}, reply).kind, FirewallVerdict::Kind::Passes);
    EXPECT_EQ(judgeAnswer("", {}, broadcast).kind, FirewallVerdict::Kind::Passes);
}

class FakeSources final : public ExplanationSources {
public:
    std::vector<InterfaceState> interfaces() override { return states; }
    std::vector<RouteRow> routes() override { return table; }
    FirewallReading firewall() override { return reading; }
    bool asRoot() override { return root; }

    std::vector<InterfaceState> states;
    std::vector<RouteRow> table;
    FirewallReading reading;
    bool root = false;
};

RouteRow route(const char* destination, int prefix, unsigned interface, const char* gateway = nullptr)
{
    RouteRow row;
    row.destination = htonl(ip(destination));
    row.prefixLength = prefix;
    row.interfaceIndex = interface;
    row.gateway = gateway ? htonl(ip(gateway)) : 0;
    return row;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

TEST(SearchExplanation, WhatAPcShowsAndWhatToRun)
{
    FakeSources pc;
    pc.states = {{"lo", 1, true, true, {{ip("127.0.0.1"), 8}}},
                 {"eth0", 2, true, false, {{ip("192.0.2.1"), 24}}},
                 {"eth1", 3, false, false, {}}};
    pc.table = {route("192.0.2.0", 24, 2), route("192.0.2.0", 25, 3), route("0.0.0.0", 0, 2, "192.0.2.254")};
    pc.reading.status = FirewallReading::Status::NotPermitted;
    pc.reading.ufwEnabled = true;
    const std::vector<LocalAddress> searched{{ip("192.0.2.1"), 2, 0xFFFFFF00u}};

    std::string error;
    Explanation explanation = explainSearch(SearchTarget::within(*parseAddressRange("203.0.113.0/24", error)), searched,
                                            pc);
    EXPECT_EQ(joined(explanation.found),
              "interfaces: eth0 up 192.0.2.1/24; eth1 down, no IPv4 address\n"
              "no address of this PC is on 203.0.113.0/24; it is reached through 192.0.2.254 on eth0 (route default): "
              "a router between must forward the requests and the answers\n"
              "the firewall's rules can be read only with CAP_NET_ADMIN: run sudo quillmar-cli discover --explain to "
              "see whether they drop the answers\n"
              "ufw is enabled\n");
    EXPECT_EQ(joined(explanation.commands), "sudo ufw allow Quillmar\n");

    // A more specific route sends half of eth0's network out of eth1.
    explanation = explainSearch(SearchTarget::at("192.0.2.10"), searched, pc);
    EXPECT_EQ(explanation.found.at(1), "the route to 192.0.2.10 (192.0.2.0/25) leads out of eth1, although eth0 has "
                                       "an address on that network (192.0.2.1/24): the requests leave through eth1");

    // A broadcast's answers to both of the PC's addresses (and a read's, to
    // port 6000), dropped by one policy: told once, with its one command.
    pc.states[2] = {"eth1", 3, true, false, {{ip("198.51.100.1"), 24}}};
    pc.reading = {};
    pc.reading.json = kPolicyJson;
    pc.reading.text = kPolicyText;
    explanation = explainSearch(SearchTarget::everyone(), {searched[0], {ip("198.51.100.1"), 3, 0xFFFFFF00u}}, pc);
    EXPECT_EQ(explanation.found.back(), "the firewall drops the answers to UDP ports 16384 on eth0, 16385 on eth1 and "
                                        "6000 on eth0 (nftables): table inet filter, chain input: its policy drop");
    EXPECT_EQ(joined(explanation.commands), "sudo nft 'add rule inet filter input udp sport 5000 udp dport { 6000, "
                                            "16384-16415 } accept'\n");

    // Nothing up but loopback, a firewall that lets everything in.
    pc.states[1].up = false;
    pc.states[2] = {"eth1", 3, false, false, {}};
    pc.table.clear();
    pc.reading = {};
    pc.reading.json = kPolicyJson;
    pc.root = true;
    explanation = explainSearch(SearchTarget::at("192.0.2.10"), {}, pc);
    EXPECT_EQ(joined(explanation.found),
              "interfaces: eth0 down 192.0.2.1/24; eth1 down, no IPv4 address\n"
              "no network interface is up with an IPv4 address: this PC is on no network the printers could be on\n"
              "no route leads to 192.0.2.10 from this PC: the requests cannot leave it; a route through the router of "
              "that network is needed\n"
              "the firewall (nftables) lets the answers in\n");
    EXPECT_EQ(joined(explanation.commands), "ip link set eth0 up\nip link set eth1 up\n"
                                            "ip route add 192.0.2.10 via ROUTER  # ROUTER: the router's address\n");
}

}  // namespace
