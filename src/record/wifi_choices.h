#pragma once
// The Wi-Fi choices that depend on each other, as every window and the command
// line keep them consistent: which authentication modes a Wi-Fi mode offers,
// which encryption modes an authentication mode offers, which encryption text
// fits an authentication, and which key a given encryption uses.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// "Infra" (item 0) offers the WPA modes; any other state ("Adhoc" or no
// selection, -1) offers WPANONE instead.
std::vector<std::string> authModeItemsFor(int wifiModeIndex);

// The encryption list of an authentication text; nothing for a text that is
// not one of the six modes (the list then stays as it is).
std::optional<std::vector<std::string>> encryTypeItemsFor(std::string_view authText);

// The encryption text forced to fit the authentication text; an unchanged text
// when the combination already fits or is not one the choices cover.
std::string fittedEncryText(std::string_view authText, std::string_view encryText);

// With "NONE" or "WEP" the WPA key is not used (its box is covered), otherwise
// the WEP key is not.
bool coversWpaKey(std::string_view encryText);

}  // namespace quillmar
