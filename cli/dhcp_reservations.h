#pragma once
// DHCP reservations from a site's table (site dhcp): each printer keeps its
// address by its MAC while it stays on DHCP, in the configuration language of
// the server the site runs. A row's deviceName becomes the reservation's host
// name, made a legal one (letters, digits and inner hyphens) and written as
// each language quotes its strings.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "site_map.h"

namespace quillmar::cli {

enum class DhcpFormat { Dnsmasq, Isc, Kea, Openwrt };

// "dnsmasq", "isc", "kea", "openwrt".
std::optional<DhcpFormat> dhcpFormatOf(const QString& name);

struct Reservation {
    int line = 0;     // of the table
    std::string mac;  // "00:1f:7c:00:02:14"
    std::uint32_t address = 0;
    std::string hostName;  // empty: none
};

// The host name a device name gives: every run of characters that a host name
// may not hold becomes one hyphen, none at either end, at most 63. Empty when
// nothing is left.
std::string hostNameOf(std::string_view deviceName);

// The reservations of the rows. Nothing, with one refusal per fault naming
// its line, for a row without an ipAddress or with one no printer can keep
// (0.x, loopback, multicast, reserved, the limited broadcast), and for two rows with one
// host name (a MAC or an address in two rows the table reader refuses). A
// device name that had to change to be a host name is told in `notes`.
std::optional<std::vector<Reservation>> reservationsOf(const std::vector<MapRow>& rows, const QString& shownPath,
                                                       QStringList& refusals, QStringList& notes);

// The reservations in the format's language; `source` names the table in a
// comment where the language has comments.
QByteArray formatReservations(const std::vector<Reservation>& reservations, DhcpFormat format,
                              const std::string& source);

}  // namespace quillmar::cli
