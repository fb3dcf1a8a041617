#pragma once
// What the verbs that search (discover, discover --watch, config set --all)
// share: the PC's addresses a broadcast search goes out from, read afresh for
// each search, with the manager's texts when there are none.
#include <QString>

#include <optional>
#include <vector>

#include "platform/local_addresses.h"

namespace quillmar {

// At most kMaxLocalAddresses addresses, or nothing with `error` set to
// "GetIpAddrTable failed, N; get local ip failed" or "no valid host ip; get
// local ip failed".
std::optional<std::vector<LocalAddress>> searchLocalAddresses(QString& error);

// "Searching from N local address(es)..."
QString searchingLine(std::size_t localCount);

}  // namespace quillmar
