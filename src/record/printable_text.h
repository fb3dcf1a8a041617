#pragma once
// Bytes that came from a device or a file, made safe to show in a message or a
// log line: printable ASCII as it is, a backslash doubled and every other byte
// as \xHH, so that such text can never drive a terminal and reads back without
// doubt.
#include <string>
#include <string_view>

namespace quillmar {

std::string printableText(std::string_view bytes);

}  // namespace quillmar
