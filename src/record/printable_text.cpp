#include "record/printable_text.h"

namespace quillmar {

std::string printableText(std::string_view bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            shown += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
        } else {
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0xF];
        }
    }
    return shown;
}

}  // namespace quillmar
