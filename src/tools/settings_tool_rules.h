#pragma once
// What the COM-port and USB settings tools decide without their windows: the
// remembered COM port and baud rate with their files, what each COM and baud
// choice sets on the serial control, and the radio-group rules (which
// authentication modes a Wi-Fi mode offers, which encryptions an authentication
// mode offers, which key box an encryption covers, which item a printer's coded
// text selects).
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <string_view>

namespace quillmar {

inline constexpr const char* kComSetFile = "COMSET.DAT";
inline constexpr const char* kBaudSetFile = "BAUDSET.DAT";

inline constexpr int kToolComPortCount = 9;
inline constexpr std::array<const char*, 5> kToolBaudItems{"9600", "19200", "38400", "57600", "115200"};
inline constexpr int kDefaultToolComPort = 1;
inline constexpr int kDefaultToolBaudIndex = 4;

// Shared by every settings tool window for the whole run: the port the next
// exchange uses and the baud choice "BAUDSET.DAT" remembers.
struct SettingsToolState {
    int comPort = kDefaultToolComPort;
    int baudIndex = kDefaultToolBaudIndex;
};
SettingsToolState& settingsToolState();

// "COM1" ... "COM9".
QStringList toolComPortItems();
QStringList toolBaudItems();

// The remembered port (1..9) from the first byte of "COMSET.DAT". Nothing when
// the file is missing, not a regular file, or starts with anything but '1'..'9'
// (a stray byte must not select no port or a port the list lacks).
std::optional<int> readComPortFile(const QString& path);
// The remembered baud index (0..4) from the first byte of "BAUDSET.DAT"; nothing
// as above for anything but '0'..'4'.
std::optional<int> readBaudIndexFile(const QString& path);
// One decimal number, no line end, written so that a failed write leaves the
// old file. False when it could not be written.
bool writeToolNumberFile(const QString& path, int number);

// COM choice: item 0..8 is COM1..COM9, anything else COM1.
int toolCommPortForItem(int index);
// Baud choice: the serial control's settings for item 0..4; nothing for any
// other index (the settings stay).
std::optional<QString> toolSerialSettingsForItem(int index);

// The authentication items a Wi-Fi mode text offers: "Adhoc" offers WPANONE,
// anything else the WPA modes.
QStringList toolAuthItemsFor(const QString& wifiModeText);
// What a failed read leaves in the authentication group.
QStringList toolFallbackAuthItems();
// The encryption items an authentication text offers: "OPEN" NONE and WEP,
// "SHARED" and "WEPAUTO" WEP alone, any other TKIP and AES.
QStringList toolEncryItemsFor(const QString& authText);
// True when the WPA key box is covered ("NONE", "WEP"); otherwise the WEP key
// box is.
bool toolCoversWpaKey(const QString& encryText);
// The index of the item equal to `text` ignoring case, or -1.
int toolItemMatching(const QStringList& items, const QString& text);

}  // namespace quillmar
