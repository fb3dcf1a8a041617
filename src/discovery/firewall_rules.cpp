#include "discovery/firewall_rules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <vector>

#include "record/ipv4_text.h"

namespace quillmar {

namespace {

// Three answers to "does this match?": a rule whose match cannot be judged
// may or may not apply.
enum class Tri { No, Yes, Maybe };

Tri both(Tri a, Tri b)
{
    if (a == Tri::No || b == Tri::No)
        return Tri::No;
    return a == Tri::Maybe || b == Tri::Maybe ? Tri::Maybe : Tri::Yes;
}

Tri fromBool(bool value)
{
    return value ? Tri::Yes : Tri::No;
}

struct Rule {
    long handle = -1;
    QJsonArray expressions;
};

struct Chain {
    std::string family;
    std::string table;
    std::string name;
    std::string hook;  // empty for a regular chain
    int priority = 0;
    bool policyDrops = false;
    std::vector<Rule> rules;
};

using ChainKey = std::tuple<std::string, std::string, std::string>;

// The value of a field of the answer the rule looks at; nothing when the walk
// cannot know it.
struct Field {
    enum class Kind { Number, Text, Address, State, Unknown, Absent };
    Kind kind = Kind::Unknown;
    long number = 0;
    std::string text;
    std::uint32_t address = 0;
};

const std::map<std::string, long>& protocolNumbers()
{
    static const std::map<std::string, long> numbers{{"icmp", 1},       {"igmp", 2},    {"tcp", 6},    {"udp", 17},
                                                     {"ipv6-icmp", 58}, {"icmpv6", 58}, {"sctp", 132}, {"udplite", 136},
                                                     {"dccp", 33},      {"esp", 50},    {"ah", 51}};
    return numbers;
}

Field fieldOf(const QJsonObject& left, const AnswerDatagram& answer)
{
    Field field;
    if (left.contains(QStringLiteral("payload"))) {
        const QJsonObject payload = left.value(QStringLiteral("payload")).toObject();
        const std::string protocol = payload.value(QStringLiteral("protocol")).toString().toStdString();
        const std::string name = payload.value(QStringLiteral("field")).toString().toStdString();
        if (protocol == "udp" || protocol == "th") {
            if (name == "sport" || name == "dport") {
                field.kind = Field::Kind::Number;
                field.number = name == "sport" ? answer.sourcePort : answer.port;
            }
            return field;
        }
        if (protocol == "ip") {
            if (name == "protocol") {
                field.kind = Field::Kind::Number;
                field.number = 17;
            } else if (name == "daddr") {
                field.kind = Field::Kind::Address;
                field.address = answer.destination;
            } else if (name == "saddr" && answer.sourceKnown) {
                field.kind = Field::Kind::Address;
                field.address = answer.source;
            }
            return field;
        }
        // A header the answer does not have (tcp, icmp, ip6, ...): such a
        // match is false for it.
        if (!payload.contains(QStringLiteral("base")))
            field.kind = Field::Kind::Absent;
        return field;
    }
    if (left.contains(QStringLiteral("meta"))) {
        const std::string key =
            left.value(QStringLiteral("meta")).toObject().value(QStringLiteral("key")).toString().toStdString();
        if (key == "l4proto") {
            field.kind = Field::Kind::Number;
            field.number = 17;
        } else if (key == "iifname" || key == "iif") {
            field.kind = Field::Kind::Text;
            field.text = answer.interfaceName;
        } else if (key == "nfproto") {
            field.kind = Field::Kind::Text;
            field.text = "ipv4";
        } else if (key == "protocol") {
            field.kind = Field::Kind::Text;
            field.text = "ip";
        } else if (key == "pkttype") {
            field.kind = Field::Kind::Text;
            field.text = "host";
        }
        return field;
    }
    if (left.contains(QStringLiteral("ct"))) {
        const QJsonObject ct = left.value(QStringLiteral("ct")).toObject();
        const QString key = ct.value(QStringLiteral("key")).toString();
        if (key == QLatin1String("state")) {
            field.kind = Field::Kind::State;
            field.text = answer.reply ? "established" : "new";
        } else if (key == QLatin1String("status")) {
            // An answer is neither NATed nor expected by a helper.
            field.kind = Field::Kind::State;
            field.text = answer.reply ? "seen-reply" : "none";
        }
        return field;
    }
    return field;
}

// One value of a match's right side against the field.
Tri equals(const Field& field, const QJsonValue& value)
{
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        if (object.contains(QStringLiteral("range"))) {
            const QJsonArray ends = object.value(QStringLiteral("range")).toArray();
            if (field.kind == Field::Kind::Number && ends.size() == 2 && ends[0].isDouble() && ends[1].isDouble())
                return fromBool(field.number >= ends[0].toInteger() && field.number <= ends[1].toInteger());
            if (field.kind == Field::Kind::Address && ends.size() == 2) {
                const auto low = parseIpv4(ends[0].toString().toStdString());
                const auto high = parseIpv4(ends[1].toString().toStdString());
                if (low && high)
                    return fromBool(field.address >= *low && field.address <= *high);
            }
            return Tri::Maybe;
        }
        if (object.contains(QStringLiteral("prefix")) && field.kind == Field::Kind::Address) {
            const QJsonObject prefix = object.value(QStringLiteral("prefix")).toObject();
            const auto network = parseIpv4(prefix.value(QStringLiteral("addr")).toString().toStdString());
            const int length = prefix.value(QStringLiteral("len")).toInt(-1);
            if (!network || length < 0 || length > 32)
                return Tri::Maybe;
            const std::uint32_t mask = length == 0 ? 0u : ~0u << (32 - length);
            return fromBool((field.address & mask) == (*network & mask));
        }
        if (object.contains(QStringLiteral("set")))
            return Tri::Maybe;  // a set inside a set: not what nft writes
        return Tri::Maybe;
    }
    if (value.isDouble()) {
        if (field.kind == Field::Kind::Number)
            return fromBool(field.number == value.toInteger());
        return Tri::Maybe;
    }
    if (value.isString()) {
        const std::string text = value.toString().toStdString();
        // A named set ("@allowed") holds what the walk does not read.
        if (!text.empty() && text.front() == '@')
            return Tri::Maybe;
        switch (field.kind) {
        case Field::Kind::Number: {
            const auto known = protocolNumbers().find(text);
            if (known != protocolNumbers().end())
                return fromBool(field.number == known->second);
            return Tri::Maybe;
        }
        case Field::Kind::Text:
        case Field::Kind::State:
            if (field.kind == Field::Kind::Text && text.find('*') != std::string::npos) {
                // "eth*": a wildcard interface name.
                const std::string stem = text.substr(0, text.find('*'));
                return fromBool(field.text.compare(0, stem.size(), stem) == 0);
            }
            return fromBool(field.text == text);
        case Field::Kind::Address: {
            const auto address = parseIpv4(text);
            return address ? fromBool(field.address == *address) : Tri::Maybe;
        }
        default:
            return Tri::Maybe;
        }
    }
    return Tri::Maybe;
}

// Whether any of the values matches (a set, or a list of flags).
Tri anyOf(const Field& field, const QJsonArray& values)
{
    Tri result = Tri::No;
    for (const QJsonValue& value : values) {
        const Tri one = equals(field, value);
        if (one == Tri::Yes)
            return Tri::Yes;
        if (one == Tri::Maybe)
            result = Tri::Maybe;
    }
    return result;
}

Tri judgeMatch(const QJsonObject& match, const AnswerDatagram& answer)
{
    const Field field = fieldOf(match.value(QStringLiteral("left")).toObject(), answer);
    const std::string op = match.value(QStringLiteral("op")).toString().toStdString();
    if (field.kind == Field::Kind::Absent)
        return op == "!=" ? Tri::Yes : Tri::No;
    if (field.kind == Field::Kind::Unknown)
        return Tri::Maybe;
    const QJsonValue right = match.value(QStringLiteral("right"));
    Tri found;
    if (right.isArray())
        found = anyOf(field, right.toArray());
    else if (right.isObject() && right.toObject().contains(QStringLiteral("set")))
        found = anyOf(field, right.toObject().value(QStringLiteral("set")).toArray());
    else
        found = equals(field, right);
    if (op == "==" || op == "in")
        return found;
    if (op == "!=")
        return found == Tri::Maybe ? Tri::Maybe : fromBool(found == Tri::No);
    if (field.kind == Field::Kind::Number && right.isDouble()) {
        const long limit = right.toInteger();
        if (op == "<")
            return fromBool(field.number < limit);
        if (op == ">")
            return fromBool(field.number > limit);
        if (op == "<=")
            return fromBool(field.number <= limit);
        if (op == ">=")
            return fromBool(field.number >= limit);
    }
    return Tri::Maybe;
}

struct Walk {
    enum class End { Continue, Accept, Drop, Return };
    End end = End::Continue;
    const Chain* chain = nullptr;  // where it was dropped
    long handle = -1;
    bool uncertain = false;  // a rule that may have matched came before
    // The first rule that may have dropped it, when nothing surely did.
    const Chain* maybeChain = nullptr;
    long maybeHandle = -1;
};

class Walker {
public:
    Walker(const std::map<ChainKey, Chain>& chains, const AnswerDatagram& answer) : chains_(chains), answer_(answer) {}

    Walk walk(const Chain& chain, int depth, Walk state)
    {
        if (depth > 16)
            return state;
        for (const Rule& rule : chain.rules) {
            Tri matched = Tri::Yes;
            for (const QJsonValue& value : rule.expressions) {
                const QJsonObject expression = value.toObject();
                const QString kind = expression.keys().value(0);
                if (kind == QLatin1String("match")) {
                    matched = both(matched, judgeMatch(expression.value(kind).toObject(), answer_));
                } else if (kind == QLatin1String("counter") || kind == QLatin1String("log")
                           || kind == QLatin1String("comment") || kind == QLatin1String("mangle")
                           || kind == QLatin1String("notrack") || kind == QLatin1String("set")
                           || kind == QLatin1String("continue")) {
                    continue;  // statements that neither stop the rule nor end the walk
                } else if (kind == QLatin1String("vmap")) {
                    if (matched == Tri::No)
                        break;
                    // The verdict of the element the answer's field equals
                    // ("ct state vmap { established : accept, invalid : drop }").
                    const QJsonObject map = expression.value(kind).toObject();
                    const Field field = fieldOf(map.value(QStringLiteral("key")).toObject(), answer_);
                    const QJsonArray elements =
                        map.value(QStringLiteral("data")).toObject().value(QStringLiteral("set")).toArray();
                    for (const QJsonValue& element : elements) {
                        const QJsonArray pair = element.toArray();
                        const Tri hit = field.kind == Field::Kind::Unknown ? Tri::Maybe
                                                                           : both(matched, equals(field, pair.at(0)));
                        if (hit == Tri::No)
                            continue;
                        const QJsonObject chosen = pair.at(1).toObject();
                        const QString verdictKind = chosen.keys().value(0);
                        if (const std::optional<Walk> ended = verdict(verdictKind, chosen.value(verdictKind), hit,
                                                                      chain, rule.handle, depth, state))
                            return *ended;
                        if (hit == Tri::Yes)
                            break;
                    }
                    break;
                } else if (kind == QLatin1String("accept") || kind == QLatin1String("drop")
                           || kind == QLatin1String("reject") || kind == QLatin1String("return")
                           || kind == QLatin1String("jump") || kind == QLatin1String("goto")) {
                    if (matched == Tri::No)
                        break;
                    if (const std::optional<Walk> ended = verdict(kind, expression.value(kind), matched, chain,
                                                                  rule.handle, depth, state))
                        return *ended;
                    break;
                } else {
                    // Anything else that can stop a rule (limit, xt, a lookup)
                    // cannot be judged here.
                    matched = both(matched, Tri::Maybe);
                }
                if (matched == Tri::No)
                    break;
            }
        }
        state.end = Walk::End::Continue;
        return state;
    }

private:
    std::optional<Walk> verdict(const QString& kind, const QJsonValue& argument, Tri matched, const Chain& chain,
                                long handle, int depth, Walk& state)
    {
        if (kind == QLatin1String("drop") || kind == QLatin1String("reject")) {
            if (matched == Tri::Maybe) {
                if (!state.maybeChain) {
                    state.maybeChain = &chain;
                    state.maybeHandle = handle;
                }
                return std::nullopt;
            }
            Walk ended = state;
            ended.end = Walk::End::Drop;
            ended.chain = &chain;
            ended.handle = handle;
            return ended;
        }
        if (kind == QLatin1String("accept")) {
            if (matched == Tri::Maybe) {
                state.uncertain = true;
                return std::nullopt;
            }
            Walk ended = state;
            ended.end = Walk::End::Accept;
            return ended;
        }
        if (kind == QLatin1String("return")) {
            if (matched == Tri::Maybe)
                return std::nullopt;
            Walk ended = state;
            ended.end = Walk::End::Return;
            return ended;
        }
        // jump or goto: the target chain of the same table.
        if (matched == Tri::Maybe)
            state.uncertain = true;
        const std::string target = argument.toObject().value(QStringLiteral("target")).toString().toStdString();
        const auto found = chains_.find({chain.family, chain.table, target});
        if (found == chains_.end())
            return std::nullopt;
        Walk inner = walk(found->second, depth + 1, state);
        state.uncertain = inner.uncertain;
        state.maybeChain = inner.maybeChain;
        state.maybeHandle = inner.maybeHandle;
        if (inner.end == Walk::End::Accept || inner.end == Walk::End::Drop) {
            if (matched == Tri::Maybe && inner.end == Walk::End::Drop) {
                if (!state.maybeChain) {
                    state.maybeChain = inner.chain;
                    state.maybeHandle = inner.handle;
                }
                return std::nullopt;
            }
            if (matched == Tri::Maybe)
                return std::nullopt;
            return inner;
        }
        // A goto does not come back: the calling chain ends there.
        if (kind == QLatin1String("goto") && matched == Tri::Yes) {
            Walk ended = state;
            ended.end = Walk::End::Return;
            return ended;
        }
        return std::nullopt;
    }

    const std::map<ChainKey, Chain>& chains_;
    const AnswerDatagram& answer_;
};

// "udp dport 16384-16415 drop" for each (family, table, chain, handle), from
// the text listing's "... # handle N" lines.
std::map<std::tuple<std::string, std::string, std::string, long>, std::string> ruleTexts(const std::string& text)
{
    std::map<std::tuple<std::string, std::string, std::string, long>, std::string> rules;
    static const std::regex table(R"(^\s*table\s+(\S+)\s+(\S+)\s*\{)");
    static const std::regex chain(R"(^\s*chain\s+(\S+)\s*\{)");
    static const std::regex rule(R"(^\s*(.*\S)\s+# handle (\d+)\s*$)");
    std::string family, tableName, chainName;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::smatch found;
        if (std::regex_search(line, found, table)) {
            family = found[1];
            tableName = found[2];
            chainName.clear();
        } else if (std::regex_search(line, found, chain)) {
            chainName = found[1];
        } else if (!chainName.empty() && std::regex_match(line, found, rule)) {
            rules[{family, tableName, chainName, std::stol(found[2])}] = found[1];
        }
    }
    return rules;
}

}  // namespace

std::string FirewallVerdict::where() const
{
    std::string text = "table " + family + " " + table + ", chain " + chain + ": ";
    if (handle < 0)
        return text + "its policy drop";
    return text + (rule.empty() ? std::string("a rule") : rule) + " (handle " + std::to_string(handle) + ")";
}

FirewallVerdict judgeAnswer(const QByteArray& json, const std::string& text, const AnswerDatagram& answer)
{
    std::map<ChainKey, Chain> chains;
    bool firewalld = false;
    bool ufw = false;
    const QJsonArray objects = QJsonDocument::fromJson(json).object().value(QStringLiteral("nftables")).toArray();
    for (const QJsonValue& value : objects) {
        const QJsonObject object = value.toObject();
        if (object.contains(QStringLiteral("table"))) {
            if (object.value(QStringLiteral("table")).toObject().value(QStringLiteral("name")).toString()
                == QLatin1String("firewalld"))
                firewalld = true;
        } else if (object.contains(QStringLiteral("chain"))) {
            const QJsonObject c = object.value(QStringLiteral("chain")).toObject();
            Chain chain;
            chain.family = c.value(QStringLiteral("family")).toString().toStdString();
            chain.table = c.value(QStringLiteral("table")).toString().toStdString();
            chain.name = c.value(QStringLiteral("name")).toString().toStdString();
            chain.hook = c.value(QStringLiteral("hook")).toString().toStdString();
            chain.priority = c.value(QStringLiteral("prio")).toInt();
            chain.policyDrops = c.value(QStringLiteral("policy")).toString() == QLatin1String("drop");
            if (chain.name.rfind("ufw-", 0) == 0 || chain.name.rfind("ufw6-", 0) == 0)
                ufw = true;
            chains[{chain.family, chain.table, chain.name}] = chain;
        } else if (object.contains(QStringLiteral("rule"))) {
            const QJsonObject r = object.value(QStringLiteral("rule")).toObject();
            const ChainKey key{r.value(QStringLiteral("family")).toString().toStdString(),
                               r.value(QStringLiteral("table")).toString().toStdString(),
                               r.value(QStringLiteral("chain")).toString().toStdString()};
            const auto chain = chains.find(key);
            if (chain != chains.end())
                chain->second.rules.push_back(
                    {long(r.value(QStringLiteral("handle")).toInteger(-1)), r.value(QStringLiteral("expr")).toArray()});
        }
    }

    // The base chains an IPv4 datagram to this PC passes: prerouting, then
    // input, each in the order of its priority.
    std::vector<const Chain*> bases;
    for (const auto& [key, chain] : chains) {
        if ((chain.family == "ip" || chain.family == "inet") && (chain.hook == "prerouting" || chain.hook == "input"))
            bases.push_back(&chain);
    }
    std::stable_sort(bases.begin(), bases.end(), [](const Chain* a, const Chain* b) {
        if (a->hook != b->hook)
            return a->hook == "prerouting";
        return a->priority < b->priority;
    });

    FirewallVerdict verdict;
    const auto texts = ruleTexts(text);
    const auto place = [&](const Chain& chain, long handle, FirewallVerdict::Kind kind) {
        verdict.kind = kind;
        verdict.family = chain.family;
        verdict.table = chain.table;
        verdict.chain = chain.name;
        verdict.handle = handle;
        if (const auto found = texts.find({chain.family, chain.table, chain.name, handle}); found != texts.end())
            verdict.rule = found->second;
        if (firewalld && chain.table == "firewalld")
            verdict.keeper = "firewalld";
        else if (ufw && (chain.name.rfind("ufw", 0) == 0 || chain.table == "filter"))
            verdict.keeper = "ufw";
    };
    Walker walker(chains, answer);
    const Chain* maybeChain = nullptr;
    long maybeHandle = -1;
    for (const Chain* base : bases) {
        const Walk walked = walker.walk(*base, 0, Walk{});
        if (!maybeChain && walked.maybeChain) {
            maybeChain = walked.maybeChain;
            maybeHandle = walked.maybeHandle;
        }
        if (walked.end == Walk::End::Drop) {
            place(*walked.chain, walked.handle,
                  walked.uncertain ? FirewallVerdict::Kind::MayDrop : FirewallVerdict::Kind::Dropped);
            return verdict;
        }
        if (walked.end != Walk::End::Accept && base->policyDrops) {
            place(*base, -1, walked.uncertain ? FirewallVerdict::Kind::MayDrop : FirewallVerdict::Kind::Dropped);
            return verdict;
        }
    }
    if (maybeChain)
        place(*maybeChain, maybeHandle, FirewallVerdict::Kind::MayDrop);
    return verdict;
}

std::string acceptAnswersRule()
{
    return "udp sport 5000 udp dport { " + std::to_string(kConfigAnswerPort) + ", " + std::to_string(kAnswerPortsFirst)
           + "-" + std::to_string(kAnswerPortsLast) + " } accept";
}

std::string openingCommand(const FirewallVerdict& verdict, bool asRoot)
{
    const std::string sudo = asRoot ? "" : "sudo ";
    if (verdict.kind == FirewallVerdict::Kind::Passes)
        return {};
    if (verdict.keeper == "firewalld")
        return sudo + "firewall-cmd --permanent --add-service=quillmar && " + sudo + "firewall-cmd --reload";
    if (verdict.keeper == "ufw")
        return sudo + "ufw allow Quillmar";
    const std::string chain = verdict.family + " " + verdict.table + " " + verdict.chain;
    if (verdict.handle < 0)
        return sudo + "nft 'add rule " + chain + " " + acceptAnswersRule() + "'";
    return sudo + "nft 'insert rule " + chain + " position " + std::to_string(verdict.handle) + " "
           + acceptAnswersRule() + "'";
}

}  // namespace quillmar
