#pragma once
// Fixed-width, zero-padded single-byte text fields as devices and files carry them.
// A text ends at its first NUL or at the end of its field; a text that fills the
// field has no terminator, so readers must never look past the width.
#include <cstddef>
#include <string>
#include <string_view>

namespace quillmar {

std::string readFieldText(const char* field, std::size_t width);

// Zero-fills the whole field first, then copies at most `width` bytes of `text`
// (stopping early at a NUL inside `text`).
void writeFieldText(char* field, std::size_t width, std::string_view text);

}  // namespace quillmar
