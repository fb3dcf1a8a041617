#include "discovery/local_search.h"

namespace quillmar {

std::optional<std::vector<LocalAddress>> searchLocalAddresses(QString& error)
{
    IfaddrsAddressSource source;
    LocalAddressReading reading = source.read();
    if (reading.error != 0) {
        error = QStringLiteral("GetIpAddrTable failed, %1; get local ip failed").arg(reading.error);
        return std::nullopt;
    }
    if (reading.addresses.empty()) {
        error = QStringLiteral("no valid host ip; get local ip failed");
        return std::nullopt;
    }
    if (reading.addresses.size() > kMaxLocalAddresses)
        reading.addresses.resize(kMaxLocalAddresses);
    return reading.addresses;
}

QString searchingLine(std::size_t localCount)
{
    return QStringLiteral("Searching from %1 local address%2...").arg(localCount).arg(localCount == 1 ? "" : "es");
}

}  // namespace quillmar
