#pragma once
// Whether the PC's own firewall lets a module's answer in. A module answers a
// search from its UDP port 5000 to the port the request came from (16384 + k)
// and a read or save to port 6000; a host firewall that drops those datagrams
// makes every printer look switched off. The nftables ruleset (as `nft -j list
// ruleset` prints it) is walked the way the kernel walks it for one such
// datagram: the base chains of the prerouting and input hooks of the ip and
// inet tables, in the order of their priority, with jumps, gotos and each
// chain's policy. A match this walk cannot judge (a named set, a mark, an
// iptables rule shown as "xt") makes its rule one that may match.
#include <QByteArray>

#include <cstdint>
#include <string>

namespace quillmar {

// The ports a module's answers come to: the search's sockets (16384 + k for
// the k-th local address) and the configuration port.
inline constexpr std::uint16_t kAnswerPortsFirst = 16384;
inline constexpr std::uint16_t kAnswerPortsLast = 16384 + 31;
inline constexpr std::uint16_t kConfigAnswerPort = 6000;

// One answer as it reaches the PC.
struct AnswerDatagram {
    std::uint32_t source = 0;  // the module; first number in the top byte
    bool sourceKnown = false;  // a broadcast search's modules may be anywhere
    std::uint16_t sourcePort = 5000;
    std::uint32_t destination = 0;  // the PC's address it comes to
    std::uint16_t port = kAnswerPortsFirst;
    std::string interfaceName;  // where it comes in
    // An answer to a request sent to the module's own address is a reply the
    // connection tracking knows (established); one to a broadcast is new.
    bool reply = false;
};

struct FirewallVerdict {
    enum class Kind {
        Passes,   // no rule or policy drops it
        Dropped,  // a rule or a chain's policy drops (or rejects) it
        MayDrop,  // a rule that may match drops it, or drops it unless a rule that may match lets it in first
    };
    Kind kind = Kind::Passes;
    // Where it is dropped: the table, the chain, and the rule's handle (-1: the
    // chain's policy), as nft names them, and the rule as `nft -a list ruleset`
    // prints it (empty for a policy).
    std::string family;
    std::string table;
    std::string chain;
    long handle = -1;
    std::string rule;
    // Who keeps that table: "firewalld", "ufw" or "" (nftables itself).
    std::string keeper;

    // "table inet filter, chain input: udp dport 16384-16415 drop (handle 6)"
    // or "... chain input: its policy drop".
    std::string where() const;
};

// `json` is `nft -j list ruleset`, `text` is `nft -a list ruleset` (for the
// rules' own words; may be empty).
FirewallVerdict judgeAnswer(const QByteArray& json, const std::string& text, const AnswerDatagram& answer);

// The command that lets the answers in, for the keeper of the table that drops
// them: firewalld's service or ufw's application profile that the package
// installs, or an nftables rule that accepts UDP from port 5000 to the answer
// ports, put just before the rule that drops them (or at the end of a chain
// whose policy drops). `sudo ` goes before each command unless `asRoot`.
std::string openingCommand(const FirewallVerdict& verdict, bool asRoot);

// The nftables rule, without table and chain: "udp sport 5000 udp dport { 6000,
// 16384-16415 } accept".
std::string acceptAnswersRule();

}  // namespace quillmar
