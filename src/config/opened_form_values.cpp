#include "config/opened_form_values.h"

#include <optional>
#include <string>

#include "config/single_byte_text.h"
#include "record/coded_fields.h"
#include "record/ipv4_text.h"
#include "record/upper_case.h"

namespace quillmar {

namespace {

template <std::size_t N>
QString itemText(const std::array<const char*, N>& items, std::optional<int> index)
{
    // A text that decides nothing leaves the box at its laid-out first item.
    const int chosen = index && *index >= 0 && std::size_t(*index) < N ? *index : 0;
    return QString::fromLatin1(items[std::size_t(chosen)]);
}

}  // namespace

ConfigBlock configBlockFromRecord(const DeviceEntry& record, std::uint32_t openedAddress)
{
    ConfigBlock block(record);
    block.setText(DeviceField::IpAddress, formatIpv4(openedAddress));
    upperCaseText(block.fieldData(DeviceField::MacAddress), layoutOf(DeviceField::MacAddress).width);
    return block;
}

ConfigFormValues formValuesFromRecord(const DeviceEntry& record, std::uint32_t openedAddress)
{
    const ConfigBlock block = configBlockFromRecord(record, openedAddress);
    const auto text = [&block](DeviceField field) { return fromSingleByte(block.text(field)); };
    ConfigFormValues v;
    v.modelName = text(DeviceField::ModelName);
    v.deviceName = text(DeviceField::DeviceName);
    v.macAddress = text(DeviceField::MacAddress);
    v.tcpPort = text(DeviceField::TcpPort);
    v.udpPort = text(DeviceField::UdpPort);
    v.ssid = text(DeviceField::Ssid);
    v.key = text(DeviceField::Key);
    v.wpaPsk = text(DeviceField::WpaPsk);
    v.ipModeIndex = readIpMode(block.text(DeviceField::IpMode));
    v.ipMode = itemText(kIpModeItems, v.ipModeIndex);
    v.wifiMode = itemText(kWifiModeItems, readWifiMode(block.text(DeviceField::WifiMode)));
    v.authMode = itemText(kAuthModeItems, readAuthMode(block.text(DeviceField::AuthMode)));
    v.encryType = itemText(kEncryTypeItems, readEncryType(block.text(DeviceField::EncryType)));
    for (int i = 0; i < 4; ++i)
        v.octets[std::size_t(i)] = QString::number((openedAddress >> (24 - 8 * i)) & 0xFFu);
    v.addressControlValue = openedAddress;
    v.serialBaud = QStringLiteral("115200");
    v.serialFormat = QStringLiteral("N81");
    v.serialFlow = QStringLiteral("NONE");
    v.serialInterface = QStringLiteral("RS-232");
    return v;
}

}  // namespace quillmar
