#include "record/upper_case.h"

namespace quillmar {

namespace {

char upperCased(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

void upperCaseText(char* text, std::size_t maxLength)
{
    for (std::size_t i = 0; i < maxLength && text[i] != '\0'; ++i)
        text[i] = upperCased(text[i]);
}

void upperCaseText(std::string& text)
{
    for (char& c : text)
        c = upperCased(c);
}

}  // namespace quillmar
