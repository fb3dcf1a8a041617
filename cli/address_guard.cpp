#include "address_guard.h"

#include <cctype>

#include "local_search.h"
#include "record/ipv4_text.h"

namespace quillmar::cli {

namespace {

std::string macKey(const DeviceEntry& record)
{
    std::string mac = record.text(DeviceField::MacAddress).substr(0, kMacCompareLength);
    for (char& c : mac)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return mac;
}

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

}  // namespace

std::optional<QString> AddressGuard::survey()
{
    QString error;
    const std::optional<std::vector<LocalAddress>> locals = searchLocalAddresses(error);
    if (!locals)
        return error;
    locals_ = *locals;
    if (allowDuplicates_)
        return std::nullopt;
    const std::optional<std::vector<CensusModule>> census = takeCensus(error);
    if (!census)
        return error;
    census_ = *census;
    surveyed_ = true;
    return std::nullopt;
}

void AddressGuard::setCensus(std::vector<CensusModule> census, std::vector<LocalAddress> locals)
{
    census_ = std::move(census);
    locals_ = std::move(locals);
    surveyed_ = true;
}

std::optional<QString> AddressGuard::check(const DeviceEntry& read, std::uint32_t answeredAt, const DeviceEntry& record)
{
    const std::optional<std::uint32_t> address = parseIpv4(record.text(DeviceField::IpAddress));
    if (!address || *address == answeredAt || address == parseIpv4(read.text(DeviceField::IpAddress)))
        return std::nullopt;
    const std::string mac = macKey(read);
    if (!allowDuplicates_) {
        if (const auto given = given_.find(*address); given != given_.end() && given->second != mac) {
            return QStringLiteral("%1 is given to %2 too in this command; nothing is sent "
                                  "(--allow-duplicate-address gives it anyway)")
                .arg(dotted(*address), QString::fromStdString(given->second));
        }
        for (const CensusModule& other : census_) {
            if (other.from == *address && macKey(other.record) != mac) {
                return QStringLiteral("%1 is the address of another module (%2, %3) answering on this network; "
                                      "nothing is sent (--allow-duplicate-address gives it anyway)")
                    .arg(dotted(*address), QString::fromStdString(macKey(other.record)),
                         QString::fromStdString(other.record.text(DeviceField::ModelName)));
            }
        }
    }
    given_.emplace(*address, mac);
    return std::nullopt;
}

std::optional<QString> AddressGuard::warning(std::uint32_t answeredAt, const DeviceEntry& record) const
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
        return QStringLiteral("%1 is outside %2/%3, the network %4 answered on: the module will be reachable "
                              "there only through a route")
            .arg(dotted(*address), dotted(local.address & local.netmask))
            .arg(prefixLength(local.netmask))
            .arg(dotted(answeredAt));
    }
    return std::nullopt;
}

}  // namespace quillmar::cli
