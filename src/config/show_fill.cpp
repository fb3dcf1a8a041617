#include "config/show_fill.h"

#include <cstdio>

#include "record/ip_dot.h"

namespace quillmar {

AddressView addressViewOf(std::string_view ipAddressText)
{
    const std::uint32_t parsed = dot2ip(ipAddressText);
    const auto b = dot2ipOctets(parsed);
    AddressView view;
    view.controlValue = controlValueOf(parsed);
    for (std::size_t i = 0; i < b.size(); ++i)
        view.octetTexts[i] = std::to_string(b[i]);
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    view.targetIpText = text;
    return view;
}

DelimiterTexts delimiterTextsOf(std::string_view dpDelim)
{
    DelimiterTexts texts;
    if (!dpDelim.empty())
        texts.first = std::string(dpDelim.substr(0, 2));
    if (dpDelim.size() > 2)
        texts.second = std::string(dpDelim.substr(2, 2));
    return texts;
}

std::optional<std::string> packingNumberText(std::string_view fieldText)
{
    if (fieldText.empty() || fieldText.front() == '0')
        return std::nullopt;
    return std::string(fieldText);
}

std::optional<FilterRange> filterRangeOf(std::string_view ipFilterRange)
{
    const std::size_t colon = ipFilterRange.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    FilterRange range;
    const std::uint32_t start = dot2ip(ipFilterRange.substr(0, colon));
    const std::uint32_t end = dot2ip(ipFilterRange.substr(colon + 1));
    if (start != 0)
        range.start = controlValueOf(start);
    if (end != 0)
        range.end = controlValueOf(end);
    return range;
}

}  // namespace quillmar
