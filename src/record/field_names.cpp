#include "record/field_names.h"

#include <array>

namespace quillmar {

namespace {

// In the order of DeviceField.
constexpr std::array<std::string_view, kDeviceFieldCount> kFieldNames{
    "modelName", "deviceName", "macAddress", "ipAddress", "tcpPort", "udpPort", "ipMode",
    "wifiMode",  "authMode",   "encryType",  "ssid",      "key",     "wpaPsk",
};

// In the order of ConfigField.
constexpr std::array<std::string_view, kConfigFieldCount> kConfigFieldNames{
    "opModeCode", "hasTcpWindow", "tcpWindowIndex", "altModelName", "serialBaud",  "serialFormat",  "serialFlow",
    "serialIf",   "hasRs485",     "hasRs422",       "dpDelimOn",    "dpTimeoutOn", "dpLengthOn",    "dpLength",
    "dpTimeout",  "dpDelim",      "tcpTimeoutMode", "tcpTimeout",   "ipFilterOn",  "ipFilterRange", "hasWebPage",
};

}  // namespace

std::string_view fieldName(ConfigField field)
{
    return kConfigFieldNames[static_cast<std::size_t>(field)];
}

std::string_view fieldName(DeviceField field)
{
    return kFieldNames[static_cast<std::size_t>(field)];
}

std::optional<DeviceField> fieldNamed(std::string_view name)
{
    for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
        if (kFieldNames[i] == name)
            return static_cast<DeviceField>(i);
    }
    return std::nullopt;
}

}  // namespace quillmar
