#include "write/sender_check.h"

#include <arpa/inet.h>
#include <linux/neighbour.h>

#include <vector>

#include "record/ipv4_text.h"
#include "write/printable.h"
#include "write/write_guard.h"

namespace quillmar {

namespace {

std::string macText(const MacBytes& mac)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

// An entry whose MAC the kernel has (a failed or unfinished resolution has
// none worth comparing).
bool holdsMac(const NeighbourRow& row)
{
    return row.hasMac && !(row.state & (NUD_INCOMPLETE | NUD_FAILED | NUD_NONE));
}

}  // namespace

std::optional<QString> senderMismatch(HostTables& tables, std::string_view claimedMac, std::uint32_t sender)
{
    std::vector<NeighbourRow> rows;
    if (tables.readNeighbours(rows) != 0)
        return std::nullopt;
    const std::string claimed = macKey(claimedMac);
    std::optional<std::string> other;
    // The same address may be on two of the PC's networks, each with its own
    // host: the claim holds when any of them is the card that sent it.
    for (const NeighbourRow& row : rows) {
        if (row.address != htonl(sender) || !holdsMac(row))
            continue;
        if (macKey(macText(row.mac)) == claimed)
            return std::nullopt;
        other = macText(row.mac);
    }
    if (!other)
        return std::nullopt;
    return QStringLiteral("MAC does not match its sender: %1 answers as MAC %2, its network card is %3")
        .arg(QString::fromStdString(formatIpv4(sender)), printable(claimedMac), QString::fromStdString(*other));
}

}  // namespace quillmar
