#pragma once
// The decisions behind the configuration window's dependent controls that are
// its own: the operation panel, what the serial and octet choices turn into.
// The Wi-Fi choices every window and the command line share are in
// record/wifi_choices.h. The window applies them to its controls; nothing here
// knows about widgets.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// The operation panel an operation-mode text shows.
enum class OperationPanel { None, TcpServer, TcpClient, Udp };
OperationPanel operationPanelFor(std::string_view opModeText);

// The COM port number of a COM-box item (1 when nothing is selected).
int commPortForItem(int index);
// The serial settings of a baud-box item ("9600,n,8,1" when nothing is selected).
std::string serialSettingsForItem(int index);
inline constexpr const char* kDefaultSerialSettings = "115200,n,8,1";
// The handshaking of a flow-control text: 1 "XON/XOFF", 2 "RTS/CTS", else 0.
int handshakingFor(std::string_view flowText);

// An address octet field's text after its change, and its error flag (1 = empty).
struct OctetCheck {
    std::string text;
    int error = 0;
};
OctetCheck checkOctetText(std::string_view text);

}  // namespace quillmar
