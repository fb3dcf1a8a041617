#pragma once
// Upper-casing as the windows apply it to MAC texts: only the letters a to z
// change, every other byte stays as it is.
#include <cstddef>
#include <string>

namespace quillmar {

// In place, up to the text's terminator and never past `maxLength` bytes.
void upperCaseText(char* text, std::size_t maxLength);
void upperCaseText(std::string& text);

}  // namespace quillmar
