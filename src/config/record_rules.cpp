#include "config/record_rules.h"

#include <array>
#include <cstdlib>

namespace quillmar {

OperationPanel operationPanelFor(std::string_view opModeText)
{
    if (opModeText == "TCP Server")
        return OperationPanel::TcpServer;
    if (opModeText == "TCP Client")
        return OperationPanel::TcpClient;
    if (opModeText == "UDP")
        return OperationPanel::Udp;
    return OperationPanel::None;
}

int commPortForItem(int index)
{
    return index >= 0 ? index + 1 : 1;
}

std::string serialSettingsForItem(int index)
{
    static const std::array<const char*, 8> settings{"1200,n,8,1",  "2400,n,8,1",  "4800,n,8,1",  "9600,n,8,1",
                                                     "19200,n,8,1", "38400,n,8,1", "57600,n,8,1", "115200,n,8,1"};
    if (index >= 0 && index < static_cast<int>(settings.size()))
        return settings[static_cast<std::size_t>(index)];
    return "9600,n,8,1";
}

int handshakingFor(std::string_view flowText)
{
    if (flowText == "XON/XOFF")
        return 1;
    if (flowText == "RTS/CTS")
        return 2;
    return 0;
}

OctetCheck checkOctetText(std::string_view text)
{
    if (text.empty())
        return {std::string(), 1};
    // Read as a decimal number the way the field's own conversion does: leading
    // digits count, anything unreadable counts as 0.
    const long number = std::strtol(std::string(text).c_str(), nullptr, 10);
    if (number < 0)
        return {"0", 0};
    if (number > 255)
        return {"255", 0};
    return {std::string(text), 0};
}

}  // namespace quillmar
