#pragma once
// The decisions behind the configuration window's dependent controls: which
// authentication modes a Wi-Fi mode offers, which encryption modes an
// authentication mode offers, which encryption text fits, which key box is
// covered, and what the serial and octet choices turn into. The window applies
// them to its controls; nothing here knows about widgets.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// R1: "Infra" (item 0) offers the WPA modes; any other state ("Adhoc" or no
// selection, -1) offers WPANONE instead.
std::vector<std::string> authModeItemsFor(int wifiModeIndex);

// R2: the encryption list for an authentication text; nothing for a text that
// is not one of the six modes (the list then stays as it is).
std::optional<std::vector<std::string>> encryTypeItemsFor(std::string_view authText);

// R3: the encryption text forced to fit the authentication text; an unchanged
// text when the combination already fits or is not covered by the rule.
std::string fittedEncryText(std::string_view authText, std::string_view encryText);

// R3, last step: with "NONE" or "WEP" the WPA key box is covered, otherwise the
// WEP key box.
bool coversWpaKey(std::string_view encryText);

// R4: the operation panel an operation-mode text shows.
enum class OperationPanel { None, TcpServer, TcpClient, Udp };
OperationPanel operationPanelFor(std::string_view opModeText);

// R8: COM port number of a COM-box item (1 when nothing is selected).
int commPortForItem(int index);
// R8: serial settings of a baud-box item ("9600,n,8,1" when nothing is selected).
std::string serialSettingsForItem(int index);
inline constexpr const char* kDefaultSerialSettings = "115200,n,8,1";
// R8: handshaking for a flow-control text: 1 "XON/XOFF", 2 "RTS/CTS", else 0.
int handshakingFor(std::string_view flowText);

// R9: an octet field's text after its change and its error flag (1 = empty).
struct OctetCheck {
    std::string text;
    int error = 0;
};
OctetCheck checkOctetText(std::string_view text);

}  // namespace quillmar
