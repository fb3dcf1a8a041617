#pragma once
// What the starter of a maintenance operation hands its worker. Texts are
// taken as 8-bit bytes; the widths the module protocol allows are applied
// where the texts are used (17 MAC characters, 8 password bytes).
#include <string>

namespace quillmar {

struct MaintenanceRequest {
    std::string portName;   // "COM3"; only the firmware upgrade uses it
    std::string deviceIp;   // dotted, from the device list
    std::string deviceMac;  // 17 characters, two hexadecimal digits per byte
    std::string password;   // empty when the device has none
    std::string filePath;   // firmware image
    // The upgrade only: the printer is in its serial loader already (an
    // upgrade stopped after the hand-over), so nothing goes over the network.
    bool printerInLoader = false;
};

}  // namespace quillmar
