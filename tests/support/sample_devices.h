#pragma once
// The printer record most tests start from: a kitchen printer on WPA2-PSK/AES.
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

}  // namespace quillmar::test
