#pragma once
// The integer codes a maintenance worker ends with. The starter turns them into
// messages (maintenance_messages.h); the command line into exit statuses.
namespace quillmar::maintenance {

inline constexpr int kOk = 0;
// The device address is 0; the upgrade also uses it for a serial port that
// could not be opened and set up.
inline constexpr int kNoDeviceOrSerialPort = -1;
inline constexpr int kStopped = -2;       // the user cancelled
inline constexpr int kNotConnected = -3;  // no local interface led to a connection
inline constexpr int kOpenFileFailed = -4;
inline constexpr int kLoginRefused = -5;  // the reply did not begin with "LOGOK"
inline constexpr int kLoginFailed = -6;   // no, malformed or empty reply
inline constexpr int kSerialFailed = -7;  // a serial read failed during the loader exchange
inline constexpr int kLoaderMenuFailed = -9;
inline constexpr int kDownloadFailed = -10;
// Nothing was sent: the process may not add the temporary route and
// neighbour entry (no CAP_NET_ADMIN).
inline constexpr int kMissingPrivilege = -11;
// Nothing was sent: QUILLMAR_LOGIN_KEY is set but is not 32 hexadecimal digits.
inline constexpr int kBadLoginKey = -12;

// maintenanceStatus while the worker has not finished.
inline constexpr int kStillRunning = 1;

}  // namespace quillmar::maintenance
