#include "record/wifi_choices.h"

#include <initializer_list>

namespace quillmar {

namespace {

bool isOneOf(std::string_view text, std::initializer_list<std::string_view> words)
{
    for (std::string_view word : words) {
        if (text == word)
            return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> authModeItemsFor(int wifiModeIndex)
{
    if (wifiModeIndex == 0)
        return {"OPEN", "SHARED", "WEPAUTO", "WPAPSK", "WPA2PSK"};
    return {"OPEN", "SHARED", "WEPAUTO", "WPANONE"};
}

std::optional<std::vector<std::string>> encryTypeItemsFor(std::string_view authText)
{
    if (authText == "OPEN")
        return std::vector<std::string>{"NONE", "WEP"};
    if (isOneOf(authText, {"SHARED", "WEPAUTO"}))
        return std::vector<std::string>{"WEP"};
    if (isOneOf(authText, {"WPAPSK", "WPA2PSK", "WPANONE"}))
        return std::vector<std::string>{"TKIP", "AES"};
    return std::nullopt;
}

std::string fittedEncryText(std::string_view authText, std::string_view encryText)
{
    if (authText == "OPEN" && isOneOf(encryText, {"TKIP", "AES"}))
        return "NONE";
    if (isOneOf(authText, {"SHARED", "WEPAUTO"}))
        return "WEP";
    if (isOneOf(authText, {"WPAPSK", "WPA2PSK", "WPANONE"}) && isOneOf(encryText, {"NONE", "WEP"}))
        return "TKIP";
    return std::string(encryText);
}

bool coversWpaKey(std::string_view encryText)
{
    return isOneOf(encryText, {"NONE", "WEP"});
}

}  // namespace quillmar
