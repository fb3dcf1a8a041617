#pragma once
// The address of one module as it is typed on the command line: a dotted IPv4
// address (four numbers 0-255), never the "any" address 0.0.0.0 and never the
// limited broadcast 255.255.255.255 (a verb that writes settings must not reach
// every module on the segment).
#include <QString>

#include <cstdint>
#include <optional>

namespace quillmar::cli {

// The address with its first number in the top byte, or nothing with `error` set
// to a message for the user.
std::optional<std::uint32_t> parseModuleAddress(const QString& text, QString& error);

}  // namespace quillmar::cli
