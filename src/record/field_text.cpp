#include "record/field_text.h"

#include <cstring>

namespace quillmar {

std::string readFieldText(const char* field, std::size_t width)
{
    const void* nul = std::memchr(field, '\0', width);
    const std::size_t length = nul ? static_cast<const char*>(nul) - field : width;
    return std::string(field, length);
}

void writeFieldText(char* field, std::size_t width, std::string_view text)
{
    std::memset(field, 0, width);
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    // An empty view may carry a null pointer, which memcpy must never see.
    if (!text.empty())
        std::memcpy(field, text.data(), text.size() < width ? text.size() : width);
}

}  // namespace quillmar
