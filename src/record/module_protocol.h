#pragma once
// The module's wire protocol in one place, for the program, the command line
// and the simulator alike: its ports, the datagrams of the search and of the
// configuration exchange, the lines of its command port, the bytes of the
// XMODEM transfer its serial loader takes, the port of its TFTP server, and
// the commands of the direct settings protocol a printer on a COM port or USB
// understands. A constant the simulator copied would drift from the one the
// program sends; both include it from here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillmar {

// The module listens for searches, reads and saves here (UDP).
inline constexpr std::uint16_t kModulePort = 5000;
// Its command port (TCP): log-in, reboot, loader hand-over, web upload.
inline constexpr std::uint16_t kCommandPort = 5001;
// The PC port configuration reads and saves go from, and answers come to.
inline constexpr std::uint16_t kLocalConfigPort = 6000;

// 55 11 AA: first marker, the request code, second marker.
inline constexpr std::array<std::uint8_t, 3> kRecordRequestBytes{0x55, 0x11, 0xAA};
// AA 11 55: the next datagram is a record for the module to store.
inline constexpr std::array<std::uint8_t, 3> kSaveHeaderBytes{0xAA, 0x11, 0x55};

// The command port's lines, each ended by CR LF. The log-in is "$LOG" alone
// (no password), or "$LOG", the 16-digit token (login_token.h) and CR LF; a
// device that takes it answers "%" and a payload that begins with "LOGOK".
inline constexpr std::string_view kLoginLinePrefix = "$LOG";
inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::string_view kLoginLine = "$LOG\r\n";
inline constexpr std::size_t kLoginTokenDigits = 16;
inline constexpr std::size_t kTokenLoginLineLength = kLoginLinePrefix.size() + kLoginTokenDigits + kLineEnd.size();
inline constexpr std::string_view kLoginAccepted = "LOGOK";
// After the log-in: restart; hand over to the serial loader; take a web image
// by TFTP.
inline constexpr std::string_view kRebootLine = "$SYCR\r\n";
inline constexpr std::string_view kLoaderLine = "$SYCS\r\n";
inline constexpr std::string_view kWebUploadLine = "$SYCN\r\n";
static_assert(kLoginLine.size() == 6 && kTokenLoginLineLength == 22);
static_assert(kRebootLine.size() == 7 && kLoaderLine.size() == 7 && kWebUploadLine.size() == 7);

// The serial loader's XMODEM with the 8-bit checksum: SOH, the block number,
// its complement, 128 data bytes and their sum; EOT ends the transfer; the
// receiver answers ACK or NAK. A short last block is padded with 1A.
inline constexpr unsigned char kSoh = 0x01;
inline constexpr unsigned char kEot = 0x04;
inline constexpr unsigned char kAck = 0x06;
inline constexpr unsigned char kNak = 0x15;
// Two CANs in a row end a transfer the receiver is in, back to its menu.
inline constexpr unsigned char kCan = 0x18;
inline constexpr unsigned char kXmodemPad = 0x1A;
inline constexpr int kXmodemDataSize = 128;
inline constexpr int kXmodemBlockSize = kXmodemDataSize + 4;

// The module's TFTP server for the web image (UDP), and its data blocks.
inline constexpr std::uint16_t kTftpPort = 69;
inline constexpr std::size_t kTftpBlockBytes = 512;

// The direct settings protocol: GS "gWG" asks for the record, GS "gWS" is
// followed by the record to store.
inline constexpr std::array<std::uint8_t, 4> kDirectReadCommandBytes{0x1D, 0x67, 0x57, 0x47};
inline constexpr std::array<std::uint8_t, 4> kDirectWriteCommandBytes{0x1D, 0x67, 0x57, 0x53};
// Bytes a printer sends on a COM port before the record.
inline constexpr std::size_t kComReplyLeadingByteCount = 6;

}  // namespace quillmar
