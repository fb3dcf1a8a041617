#pragma once
// Whether the host that sent a record is the printer the record names. A
// record is only bytes: any host may send one with a printer's MAC in it. On
// the PC's own network segment the kernel has learned from the sender's own
// frames which network card uses its address (the neighbour, or ARP, table),
// and that card's MAC must be the one the record claims.
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/host_tables.h"

namespace quillmar {

// Nothing when `claimedMac` is the MAC the PC's neighbour table holds for
// `sender`, or when the table cannot tell (no entry, an entry being
// resolved, a sender beyond a router); otherwise the reason, beginning
// "MAC does not match its sender".
std::optional<QString> senderMismatch(HostTables& tables, std::string_view claimedMac, std::uint32_t sender);

}  // namespace quillmar
