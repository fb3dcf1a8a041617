#include "record/record_check.h"

#include <algorithm>
#include <cctype>

#include "record/coded_fields.h"
#include "record/field_names.h"
#include "record/ipv4_text.h"
#include "record/printable_text.h"

namespace quillmar {
namespace {

constexpr std::size_t kMacPairs = 6;

bool isHexDigit(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool isMacSeparator(char c)
{
    return c == '-' || c == ':' || c == '.';
}

bool isMacText(const std::string& text)
{
    if (text.size() != kMacPairs * 3 - 1)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool separator = i % 3 == 2;
        if (separator ? !isMacSeparator(text[i]) : !isHexDigit(text[i]))
            return false;
    }
    return true;
}

bool equalIgnoringCase(const std::string& a, const char* b)
{
    const std::string_view item(b);
    return a.size() == item.size() && std::equal(a.begin(), a.end(), item.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string named(DeviceField field, const std::string& text, const std::string& problem)
{
    return std::string(fieldName(field)) + " \"" + printableText(text) + "\" " + problem;
}

// Nothing when the field holds one of `items` (in any case, as the tools select
// it); otherwise the problem, naming the items.
template <std::size_t N>
std::optional<std::string> codedProblem(const DeviceEntry& record, DeviceField field,
                                        const std::array<const char*, N>& items)
{
    const std::string text = record.text(field);
    if (std::any_of(items.begin(), items.end(), [&text](const char* item) { return equalIgnoringCase(text, item); }))
        return std::nullopt;
    std::string list;
    for (std::size_t i = 0; i < N; ++i)
        list += (i == 0 ? "" : i + 1 == N ? " or " : ", ") + std::string(items[i]);
    return named(field, text, "is not " + list);
}

}  // namespace

std::optional<std::string> recordParseProblem(const DeviceEntry& record)
{
    const std::string mac = record.text(DeviceField::MacAddress);
    if (!isMacText(mac))
        return named(DeviceField::MacAddress, mac, "is not six hexadecimal pairs");
    const std::string address = record.text(DeviceField::IpAddress);
    if (!parseIpv4(address))
        return named(DeviceField::IpAddress, address, "is not a dotted IPv4 address");

    for (const auto& problem : {codedProblem(record, DeviceField::IpMode, kIpModeItems),
                                codedProblem(record, DeviceField::WifiMode, kWifiModeItems),
                                codedProblem(record, DeviceField::AuthMode, kAuthModeItems),
                                codedProblem(record, DeviceField::EncryType, kEncryTypeItems)}) {
        if (problem)
            return problem;
    }
    return std::nullopt;
}

bool isBlankRecord(const DeviceEntry& record)
{
    return std::all_of(record.data(), record.data() + record.size(), [](char c) { return c == 0; });
}

}  // namespace quillmar
