#include "config/save_records.h"

#include <string>

#include "record/ip_dot.h"
#include "record/single_byte_text.h"

namespace quillmar {

DeviceEntry buildUdpSaveRecord(const ConfigFormValues& values, ConfigBlock& block)
{
    std::string address;
    ip2dot(values.addressControlValue, address);
    block.setText(DeviceField::IpAddress, address);

    const bool wep = values.encryType == QLatin1String("WEP");
    DeviceEntry record;
    const auto put = [&record](DeviceField field, const QString& text) { record.setText(field, toSingleByte(text)); };
    put(DeviceField::ModelName, values.modelName);
    put(DeviceField::DeviceName, values.deviceName);
    put(DeviceField::MacAddress, values.macAddress);
    record.setText(DeviceField::IpAddress, address);
    put(DeviceField::TcpPort, values.tcpPort);
    put(DeviceField::UdpPort, values.udpPort);
    put(DeviceField::IpMode, values.ipMode);
    put(DeviceField::WifiMode, values.wifiMode);
    put(DeviceField::Ssid, values.ssid);
    put(DeviceField::Key, wep ? values.key : QString());
    put(DeviceField::AuthMode, values.authMode);
    put(DeviceField::EncryType, values.encryType);
    put(DeviceField::WpaPsk, wep ? QString() : values.wpaPsk);
    return record;
}

bool isReachableModuleAddress(quint32 controlValue)
{
    if (controlValue == 0)
        return false;
    for (int shift = 0; shift < 32; shift += 8) {
        if (((controlValue >> shift) & 0xFFu) == 0xFFu)
            return false;
    }
    return true;
}

QByteArray blockRecordBytes(const ConfigBlock& block)
{
    const DeviceEntry record = block.entry().normalized();
    return QByteArray(record.data(), static_cast<qsizetype>(record.size()));
}

}  // namespace quillmar
