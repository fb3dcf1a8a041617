#pragma once
// The printer records tests start from: a kitchen printer on WPA2-PSK/AES,
// and a record whose every field is full.
#include <string>

#include "record/device_entry.h"

namespace quillmar::test {

inline DeviceEntry kitchenPrinter(const std::string& address, const std::string& mac = "00-1B-2C-3D-4E-5F")
{
    DeviceEntry entry;
    entry.setText(DeviceField::ModelName, "RX7000 WI-FI");
    entry.setText(DeviceField::DeviceName, "POS-Kitchen");
    entry.setText(DeviceField::MacAddress, mac);
    entry.setText(DeviceField::IpAddress, address);
    entry.setText(DeviceField::TcpPort, "9100");
    entry.setText(DeviceField::UdpPort, "9101");
    entry.setText(DeviceField::IpMode, "STATIC");
    entry.setText(DeviceField::WifiMode, "Infra");
    entry.setText(DeviceField::AuthMode, "WPA2PSK");
    entry.setText(DeviceField::EncryType, "AES");
    entry.setText(DeviceField::Ssid, "ShopNet");
    entry.setText(DeviceField::Key, "wepkey1");
    entry.setText(DeviceField::WpaPsk, "secret-pass");
    return entry;
}

// Every field as long as it may be (the address as long as it is given), so
// that none has a terminator: a printer on a COM port or USB.
inline DeviceEntry fullWidthRecord(const std::string& deviceName, const std::string& address = "192.0.2.77")
{
    DeviceEntry record;
    record.setText(DeviceField::ModelName, "RX7000 WI-FI PRINTER 24C");
    record.setText(DeviceField::DeviceName, deviceName);
    record.setText(DeviceField::MacAddress, "0a-1b-2c-3d-4e-5f");
    record.setText(DeviceField::IpAddress, address);
    record.setText(DeviceField::TcpPort, "9100");
    record.setText(DeviceField::UdpPort, "9101");
    record.setText(DeviceField::IpMode, "STATIC");
    record.setText(DeviceField::WifiMode, "Infra");
    record.setText(DeviceField::AuthMode, "WPA2PSK");
    record.setText(DeviceField::EncryType, "AES");
    record.setText(DeviceField::Ssid, "ThirtyFourCharacterNetworkNameXYZ1");
    record.setText(DeviceField::Key, "0123456789ABCDEF0123456789AB");
    record.setText(DeviceField::WpaPsk, std::string(36, 'p') + std::string(36, 'q'));
    return record;
}

}  // namespace quillmar::test
