#include "tools/tool_record.h"

#include <algorithm>
#include <string>
#include <utility>

#include "config/config_form_values.h"
#include "config/validation_rules.h"
#include "record/ip_dot.h"
#include "record/single_byte_text.h"
#include "record/upper_case.h"

namespace quillmar {
namespace {

bool encryptsWithWep(const ToolBoxTexts& texts)
{
    return texts.encryType == QLatin1String("WEP");
}

}  // namespace

QString addressBoxText(quint32 controlValue)
{
    std::string text;
    ip2dot(controlValue, text);
    return QString::fromLatin1(text.c_str());
}

std::optional<QString> checkToolTexts(const ToolBoxTexts& texts)
{
    // Only the key that is written is checked: the other one stays blank in the
    // record, so whatever its box holds cannot reach the printer.
    const std::pair<DeviceField, const QString*> boxes[] = {
        {DeviceField::ModelName, &texts.modelName},
        {DeviceField::DeviceName, &texts.deviceName},
        {DeviceField::MacAddress, &texts.macAddress},
        {DeviceField::TcpPort, &texts.tcpPort},
        {DeviceField::UdpPort, &texts.udpPort},
        {DeviceField::IpMode, &texts.ipMode},
        {DeviceField::WifiMode, &texts.wifiMode},
        {DeviceField::AuthMode, &texts.authMode},
        {DeviceField::EncryType, &texts.encryType},
        {DeviceField::Ssid, &texts.ssid},
        encryptsWithWep(texts) ? std::pair{DeviceField::Key, &texts.wepKey}
                               : std::pair{DeviceField::WpaPsk, &texts.wpaPsk},
    };
    for (const auto& [field, text] : boxes) {
        if (const RuleMessage refused = checkSingleByteText(field, *text))
            return refused;
    }
    return std::nullopt;
}

DeviceEntry buildToolRecord(const ToolBoxTexts& texts)
{
    const bool wep = encryptsWithWep(texts);
    DeviceEntry record;
    record.setText(DeviceField::ModelName, toSingleByte(texts.modelName));
    record.setText(DeviceField::DeviceName, toSingleByte(texts.deviceName));
    record.setText(DeviceField::MacAddress, toSingleByte(texts.macAddress));
    record.setText(DeviceField::IpAddress, toSingleByte(addressBoxText(texts.addressValue)));
    record.setText(DeviceField::TcpPort, toSingleByte(texts.tcpPort));
    record.setText(DeviceField::UdpPort, toSingleByte(texts.udpPort));
    record.setText(DeviceField::IpMode, toSingleByte(texts.ipMode));
    record.setText(DeviceField::WifiMode, toSingleByte(texts.wifiMode));
    record.setText(DeviceField::Ssid, toSingleByte(texts.ssid));
    record.setText(DeviceField::Key, wep ? toSingleByte(texts.wepKey) : std::string());
    record.setText(DeviceField::AuthMode, toSingleByte(texts.authMode));
    record.setText(DeviceField::EncryType, toSingleByte(texts.encryType));
    record.setText(DeviceField::WpaPsk, wep ? std::string() : toSingleByte(texts.wpaPsk));
    return record;
}

namespace {

// The box that shows each field but the address, which is a value.
const std::pair<DeviceField, QString ToolBoxTexts::*> kBoxes[] = {
    {DeviceField::ModelName, &ToolBoxTexts::modelName},
    {DeviceField::DeviceName, &ToolBoxTexts::deviceName},
    {DeviceField::MacAddress, &ToolBoxTexts::macAddress},
    {DeviceField::TcpPort, &ToolBoxTexts::tcpPort},
    {DeviceField::UdpPort, &ToolBoxTexts::udpPort},
    {DeviceField::IpMode, &ToolBoxTexts::ipMode},
    {DeviceField::WifiMode, &ToolBoxTexts::wifiMode},
    {DeviceField::AuthMode, &ToolBoxTexts::authMode},
    {DeviceField::EncryType, &ToolBoxTexts::encryType},
    {DeviceField::Ssid, &ToolBoxTexts::ssid},
    {DeviceField::Key, &ToolBoxTexts::wepKey},
    {DeviceField::WpaPsk, &ToolBoxTexts::wpaPsk},
};

}  // namespace

QString toolBoxText(const ToolBoxTexts& texts, DeviceField field)
{
    if (field == DeviceField::IpAddress)
        return addressBoxText(texts.addressValue);
    for (const auto& [boxField, text] : kBoxes) {
        if (boxField == field)
            return texts.*text;
    }
    return {};
}

std::vector<DeviceField> changedToolFields(const ToolBoxTexts& shown, const ToolBoxTexts& now)
{
    std::vector<DeviceField> changed;
    if (shown.addressValue != now.addressValue)
        changed.push_back(DeviceField::IpAddress);
    for (const auto& [field, text] : kBoxes) {
        if (shown.*text != now.*text)
            changed.push_back(field);
    }
    std::sort(changed.begin(), changed.end());
    return changed;
}

ToolBoxTexts toolTextsFromRecord(const DeviceEntry& record)
{
    const auto text = [&record](DeviceField field) { return fromSingleByte(record.text(field)); };
    std::string mac = record.text(DeviceField::MacAddress);
    upperCaseText(mac);
    const std::string address = record.text(DeviceField::IpAddress);

    ToolBoxTexts texts;
    texts.modelName = text(DeviceField::ModelName);
    texts.deviceName = text(DeviceField::DeviceName);
    texts.macAddress = fromSingleByte(mac);
    texts.addressText = fromSingleByte(address);
    texts.addressValue = controlValueOf(dot2ip(address));
    texts.tcpPort = text(DeviceField::TcpPort);
    texts.udpPort = text(DeviceField::UdpPort);
    texts.ipMode = text(DeviceField::IpMode);
    texts.wifiMode = text(DeviceField::WifiMode);
    texts.ssid = text(DeviceField::Ssid);
    texts.wepKey = text(DeviceField::Key);
    texts.authMode = text(DeviceField::AuthMode);
    texts.encryType = text(DeviceField::EncryType);
    texts.wpaPsk = text(DeviceField::WpaPsk);
    return texts;
}

}  // namespace quillmar
