#pragma once
// What the configuration window's show-time fill takes from its ConfigBlock,
// worked out without widgets: the module address in each of the forms the
// window needs, the data-packing texts and the IP filter range.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmar {

struct AddressView {
    std::uint32_t controlValue = 0;         // first number in the top byte
    std::array<std::string, 4> octetTexts;  // first number first
    std::string targetIpText;               // where save and read datagrams go
};
// An address that does not parse shows as 255.255.255.255 everywhere.
AddressView addressViewOf(std::string_view ipAddressText);

// The one or two delimiter bytes of the packing delimiter text: the first two
// characters when the first is present, the next two when the third is.
struct DelimiterTexts {
    std::string first;
    std::string second;
};
DelimiterTexts delimiterTextsOf(std::string_view dpDelim);

// A packing number goes into its box unless it is empty or starts with '0'.
std::optional<std::string> packingNumberText(std::string_view fieldText);

// The filter range "start:end". Nothing without a ':'; a side that parses to 0
// is left out (its control keeps what it holds).
struct FilterRange {
    std::optional<std::uint32_t> start;  // control form
    std::optional<std::uint32_t> end;
};
std::optional<FilterRange> filterRangeOf(std::string_view ipFilterRange);

}  // namespace quillmar
