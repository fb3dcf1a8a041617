#include "write/write_guard.h"

#include <QStringList>

#include <algorithm>

#include "discovery/local_search.h"
#include "history/record_backups.h"
#include "record/ipv4_text.h"
#include "write/printable.h"
#include "write/sender_check.h"

namespace quillmar {

namespace {

QString dotted(std::uint32_t address)
{
    return QString::fromStdString(formatIpv4(address));
}

int prefixLength(std::uint32_t netmask)
{
    int bits = 0;
    for (std::uint32_t mask = netmask; mask & 0x80000000u; mask <<= 1)
        ++bits;
    return bits;
}

QString networkText(const LocalAddress& local)
{
    return QStringLiteral("%1/%2").arg(dotted(local.address & local.netmask)).arg(prefixLength(local.netmask));
}

bool isLoopback(std::uint32_t address)
{
    return (address >> 24) == 127;
}

}  // namespace

QString addressList(std::vector<std::uint32_t> addresses)
{
    std::sort(addresses.begin(), addresses.end());
    QStringList texts;
    for (const std::uint32_t address : addresses)
        texts << dotted(address);
    return texts.join(QStringLiteral(" and "));
}

std::string macKey(std::string_view mac)
{
    return backupFolderName(mac).toStdString();
}

std::optional<QString> WriteGuard::checkSender(const std::string& mac, std::uint32_t sender)
{
    if (!tables_)
        tables_ = std::make_shared<NetlinkHostTables>();
    return senderMismatch(*tables_, mac, sender);
}

std::optional<QString> WriteGuard::readLocalAddresses()
{
    QString error;
    const std::optional<std::vector<LocalAddress>> locals = searchLocalAddresses(error);
    if (!locals)
        return error;
    locals_ = *locals;
    return std::nullopt;
}

std::optional<QString> WriteGuard::survey()
{
    if (std::optional<QString> error = readLocalAddresses())
        return error;
    if (!allowDuplicates_)
        census_ = takeCensus(locals_, SearchTiming{});
    return std::nullopt;
}

WriteGuard listedPrintersGuard(std::vector<CensusModule> listed)
{
    WriteGuard guard;
    QString error;
    // Without the PC's addresses the guard still knows the list and the
    // addresses no printer may take.
    guard.setCensus(std::move(listed), searchLocalAddresses(error).value_or(std::vector<LocalAddress>{}));
    return guard;
}

void WriteGuard::setCensus(std::vector<CensusModule> census, std::vector<LocalAddress> locals)
{
    census_ = std::move(census);
    locals_ = std::move(locals);
}

void WriteGuard::expectMove(const std::string& mac, std::uint32_t address)
{
    moves_[macKey(mac)] = address;
}

std::vector<std::uint32_t> WriteGuard::claimedElsewhere(const std::string& mac, std::uint32_t at) const
{
    const std::string key = macKey(mac);
    std::vector<std::uint32_t> addresses{at};
    for (const CensusModule& module : census_) {
        if (macKey(module.record.text(DeviceField::MacAddress)) == key
            && std::find(addresses.begin(), addresses.end(), module.from) == addresses.end())
            addresses.push_back(module.from);
    }
    if (addresses.size() < 2)
        return {};
    // The user named the printer's address: the others are strangers, and
    // only a write to a stranger is refused.
    if (picked(at))
        return {};
    addresses.erase(addresses.begin());
    return addresses;
}

std::optional<QString> WriteGuard::unfitAddress(std::uint32_t address, std::optional<std::uint32_t> keptAt) const
{
    const QString shown = dotted(address);
    if ((address >> 24) == 0)
        return QStringLiteral("%1 is in 0.0.0.0/8, which no host may take").arg(shown);
    // A simulated printer on loopback may move within it; no other can.
    if (isLoopback(address) && !(keptAt && isLoopback(*keptAt)))
        return QStringLiteral("%1 is a loopback address").arg(shown);
    if ((address >> 28) == 0xE)
        return QStringLiteral("%1 is a multicast address").arg(shown);
    for (const LocalAddress& local : locals_) {
        if (local.address == address)
            return QStringLiteral("%1 is this PC's own address").arg(shown);
    }
    for (const LocalAddress& local : locals_) {
        // A /31 or /32 has no network or broadcast address of its own.
        if (!local.sharesNetworkWith(address) || prefixLength(local.netmask) > 30)
            continue;
        if ((address & ~local.netmask) == 0)
            return QStringLiteral("%1 is the network address of %2").arg(shown, networkText(local));
        if ((address | local.netmask) == 0xFFFFFFFFu)
            return QStringLiteral("%1 is the broadcast address of %2").arg(shown, networkText(local));
    }
    return std::nullopt;
}

std::optional<GuardRefusal> WriteGuard::check(const std::string& mac, std::optional<std::uint32_t> keptAt,
                                              std::uint32_t address)
{
    if (keptAt && address == *keptAt)
        return std::nullopt;
    if (std::optional<QString> unfit = unfitAddress(address, keptAt))
        return GuardRefusal{*unfit, false};
    const std::string key = macKey(mac);
    if (!allowDuplicates_) {
        if (const auto given = given_.find(address); given != given_.end() && given->second != key) {
            return GuardRefusal{
                QStringLiteral("%1 is given to %2 too in this command").arg(dotted(address), printable(given->second)),
                true};
        }
        for (const CensusModule& other : census_) {
            const std::string otherKey = macKey(other.record.text(DeviceField::MacAddress));
            if (other.from != address || otherKey == key)
                continue;
            // Two printers of one command may swap their addresses.
            if (const auto move = moves_.find(otherKey); move != moves_.end() && move->second != address)
                continue;
            return GuardRefusal{
                QStringLiteral("%1 is the address of another module (%2, %3) answering on this network")
                    .arg(dotted(address), printable(otherKey), printable(other.record.text(DeviceField::ModelName))),
                true};
        }
    }
    given_.emplace(address, key);
    return std::nullopt;
}

std::optional<QString> WriteGuard::warning(std::uint32_t answeredAt, const DeviceEntry& record) const
{
    if (record.text(DeviceField::IpMode).substr(0, 1) == "D")
        return std::nullopt;
    const std::optional<std::uint32_t> address = parseIpv4(record.text(DeviceField::IpAddress));
    if (!address || *address == answeredAt)
        return std::nullopt;
    for (const LocalAddress& local : locals_) {
        if (!local.sharesNetworkWith(answeredAt))
            continue;
        if (local.sharesNetworkWith(*address))
            return std::nullopt;
        return QStringLiteral("%1 is outside %2, the network %3 answered on: the module will be reachable "
                              "there only through a route")
            .arg(dotted(*address), networkText(local), dotted(answeredAt));
    }
    return std::nullopt;
}

}  // namespace quillmar
