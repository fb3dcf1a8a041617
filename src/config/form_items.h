#pragma once
// The items of the configuration window's choice boxes whose lists are fixed, and
// the item each is laid out with. The window builds its boxes from these, and
// the values a window shows before and after its fill are worked out from them
// without one.
#include <array>

namespace quillmar {

inline constexpr std::array<const char*, 8> kSerialBaudItems{"1200",  "2400",  "4800",  "9600",
                                                             "19200", "38400", "57600", "115200"};
inline constexpr int kLaidOutSerialBaud = 7;
inline constexpr std::array<const char*, 9> kSerialFormatItems{"E71", "O71", "N81", "E81", "O81",
                                                               "N72", "E72", "O72", "N82"};
inline constexpr int kLaidOutSerialFormat = 2;
inline constexpr std::array<const char*, 3> kSerialFlowItems{"NONE", "XON/XOFF", "RTS/CTS"};
// The serial interface list is rebuilt at every showing from what the module has.
inline constexpr std::array<const char*, 3> kSerialInterfaceItems{"RS-232", "RS-485", "RS-422"};
inline constexpr std::array<const char*, 4> kTcpWindowItems{"128", "256", "512", "1024"};
inline constexpr int kLaidOutTcpWindow = 3;

}  // namespace quillmar
