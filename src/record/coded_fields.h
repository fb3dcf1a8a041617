#pragma once
// The coded fields of the record (IP mode, Wi-Fi mode, authentication,
// encryption). Writers put the whole word; the configuration window reads them
// by single deciding characters, so any text with the same deciding characters
// reads the same. Each reader gives the index of the choice-box item, or nothing
// when the text decides nothing (the box is then left as it was).
#include <array>
#include <optional>
#include <string_view>

namespace quillmar {

inline constexpr std::array<const char*, 2> kIpModeItems{"STATIC", "DHCP"};
inline constexpr std::array<const char*, 2> kWifiModeItems{"Infra", "Adhoc"};
inline constexpr std::array<const char*, 6> kAuthModeItems{"OPEN", "SHARED", "WEPAUTO", "WPAPSK", "WPA2PSK", "WPANONE"};
inline constexpr std::array<const char*, 4> kEncryTypeItems{"NONE", "WEP", "TKIP", "AES"};

enum IpModeIndex { kIpModeStatic = 0, kIpModeDhcp = 1 };
enum WifiModeIndex { kWifiInfra = 0, kWifiAdhoc = 1 };
enum AuthModeIndex { kAuthOpen = 0, kAuthShared, kAuthWepAuto, kAuthWpaPsk, kAuthWpa2Psk, kAuthWpaNone };
enum EncryTypeIndex { kEncryNone = 0, kEncryWep, kEncryTkip, kEncryAes };

// First character 'D': DHCP; anything else (an empty text included): STATIC.
int readIpMode(std::string_view text);
// First character 'A': Adhoc, 'I': Infra.
std::optional<int> readWifiMode(std::string_view text);
// Fourth character 'N' with third 'E': OPEN, with third 'A': WPANONE; fourth
// 'R', 'A', 'P', '2': SHARED, WEPAUTO, WPAPSK, WPA2PSK.
std::optional<int> readAuthMode(std::string_view text);
// First character 'N', 'W', 'T', 'A': NONE, WEP, TKIP, AES.
std::optional<int> readEncryType(std::string_view text);

}  // namespace quillmar
