#include "module_address.h"

#include "record/ipv4_text.h"
#include "system_bytes.h"
#include "terminal_text.h"

namespace quillmar::cli {

std::optional<std::uint32_t> parseModuleAddress(const QString& text, QString& error)
{
    const QByteArray bytes = toSystemBytes(text);
    const auto address = parseIpv4(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!address) {
        error = QStringLiteral("'%1' is not an IPv4 address (four numbers 0-255, for example 192.0.2.10)")
                    .arg(terminalText(bytes));
        return std::nullopt;
    }
    if (*address == 0) {
        error = QStringLiteral("0.0.0.0 is not the address of a module");
        return std::nullopt;
    }
    if (*address == 0xFFFFFFFFu) {
        error = QStringLiteral("255.255.255.255 is the broadcast address, not the address of one module");
        return std::nullopt;
    }
    return address;
}

}  // namespace quillmar::cli
