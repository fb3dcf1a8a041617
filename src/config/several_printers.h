#pragma once
// A configuration window opened on several printers at once shows and sets
// what printers may share: the Wi-Fi settings (mode, authentication,
// encryption, SSID and keys), the IP mode and the ports. A printer's name, MAC
// and address are its own and are never written from such a window. A box
// shows a value only when every printer holds it; where they differ it is
// blank until the user sets it.
#include <vector>

#include "record/device_entry.h"

namespace quillmar {

// Whether a window of several printers sets the field.
bool isSharedField(DeviceField field);

// The record such a window shows: each shared field (and the model name) that
// every printer holds alike; everything else empty.
DeviceEntry sharedRecord(const std::vector<DeviceEntry>& printers);

// The shared fields the printers hold differently.
std::vector<DeviceField> differingFields(const std::vector<DeviceEntry>& printers);

}  // namespace quillmar
