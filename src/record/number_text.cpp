#include "record/number_text.h"

#include <charconv>

namespace quillmar {

namespace {

[[noreturn]] void raiseNotANumber(std::string_view text)
{
    throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
}

int convert(std::string_view text, int base)
{
    std::string_view digits = text;
    // A sign is taken for decimal numbers only; from_chars takes a '-' itself.
    if (base == 10 && !digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    if (digits.empty() || ((base != 10 || digits.size() != text.size()) && digits.front() == '-'))
        raiseNotANumber(text);
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc() || end != digits.data() + digits.size())
        raiseNotANumber(text);
    return value;
}

}  // namespace

int toInteger(std::string_view text)
{
    return convert(text, 10);
}

int hexToInteger(std::string_view text)
{
    return convert(text, 16);
}

}  // namespace quillmar
