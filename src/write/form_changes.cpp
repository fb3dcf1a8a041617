#include "write/form_changes.h"

#include <string>
#include <utility>

#include "record/ip_dot.h"

namespace quillmar {

namespace {

QString addressText(quint32 controlValue)
{
    std::string text;
    ip2dot(controlValue, text);
    return QString::fromLatin1(text.c_str());
}

}  // namespace

std::vector<FieldChange> windowChanges(const ConfigFormValues& shown, const ConfigFormValues& now)
{
    const std::pair<DeviceField, QString ConfigFormValues::*> texts[] = {
        {DeviceField::ModelName, &ConfigFormValues::modelName},
        {DeviceField::DeviceName, &ConfigFormValues::deviceName},
        {DeviceField::MacAddress, &ConfigFormValues::macAddress},
        {DeviceField::TcpPort, &ConfigFormValues::tcpPort},
        {DeviceField::UdpPort, &ConfigFormValues::udpPort},
        {DeviceField::IpMode, &ConfigFormValues::ipMode},
        {DeviceField::WifiMode, &ConfigFormValues::wifiMode},
        {DeviceField::AuthMode, &ConfigFormValues::authMode},
        {DeviceField::EncryType, &ConfigFormValues::encryType},
        {DeviceField::Ssid, &ConfigFormValues::ssid},
        {DeviceField::Key, &ConfigFormValues::key},
        {DeviceField::WpaPsk, &ConfigFormValues::wpaPsk},
    };
    std::vector<FieldChange> changes;
    for (const auto& [field, text] : texts) {
        if (shown.*text != now.*text)
            changes.push_back({field, now.*text});
        if (field == DeviceField::MacAddress && shown.addressControlValue != now.addressControlValue)
            changes.push_back({DeviceField::IpAddress, addressText(now.addressControlValue)});
    }
    return changes;
}

std::vector<FieldChange> toolChanges(const ToolBoxTexts& shown, const ToolBoxTexts& now)
{
    std::vector<FieldChange> changes;
    for (const DeviceField field : changedToolFields(shown, now))
        changes.push_back({field, toolBoxText(now, field)});
    return changes;
}

}  // namespace quillmar
