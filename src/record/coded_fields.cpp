#include "record/coded_fields.h"

namespace quillmar {

namespace {

// Characters past the text's end read as its terminator.
char charAt(std::string_view text, std::size_t index)
{
    return index < text.size() ? text[index] : '\0';
}

}  // namespace

int readIpMode(std::string_view text)
{
    return charAt(text, 0) == 'D' ? kIpModeDhcp : kIpModeStatic;
}

std::optional<int> readWifiMode(std::string_view text)
{
    switch (charAt(text, 0)) {
    case 'A':
        return kWifiAdhoc;
    case 'I':
        return kWifiInfra;
    default:
        return std::nullopt;
    }
}

std::optional<int> readAuthMode(std::string_view text)
{
    switch (charAt(text, 3)) {
    case 'N':
        if (charAt(text, 2) == 'E')
            return kAuthOpen;
        if (charAt(text, 2) == 'A')
            return kAuthWpaNone;
        return std::nullopt;
    case 'R':
        return kAuthShared;
    case 'A':
        return kAuthWepAuto;
    case 'P':
        return kAuthWpaPsk;
    case '2':
        return kAuthWpa2Psk;
    default:
        return std::nullopt;
    }
}

std::optional<int> readEncryType(std::string_view text)
{
    switch (charAt(text, 0)) {
    case 'N':
        return kEncryNone;
    case 'W':
        return kEncryWep;
    case 'T':
        return kEncryTkip;
    case 'A':
        return kEncryAes;
    default:
        return std::nullopt;
    }
}

}  // namespace quillmar
