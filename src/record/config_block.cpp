#include "record/config_block.h"

#include <cstring>

#include "record/field_text.h"

namespace quillmar {

const std::array<ConfigFieldLayout, kConfigFieldCount>& configFieldLayout()
{
    static const std::array<ConfigFieldLayout, kConfigFieldCount> layout{{
        {ConfigField::OpModeCode, 266, 10},     {ConfigField::HasTcpWindow, 296, 1},
        {ConfigField::TcpWindowIndex, 297, 10}, {ConfigField::AltModelName, 307, 24},
        {ConfigField::SerialBaud, 331, 14},     {ConfigField::SerialFormat, 345, 10},
        {ConfigField::SerialFlow, 355, 10},     {ConfigField::SerialIf, 365, 11},
        {ConfigField::HasRs485, 376, 1},        {ConfigField::HasRs422, 377, 1},
        {ConfigField::DpDelimOn, 385, 1},       {ConfigField::DpTimeoutOn, 386, 1},
        {ConfigField::DpLengthOn, 387, 1},      {ConfigField::DpLength, 395, 10},
        {ConfigField::DpTimeout, 405, 10},      {ConfigField::DpDelim, 415, 10},
        {ConfigField::TcpTimeoutMode, 425, 10}, {ConfigField::TcpTimeout, 435, 10},
        {ConfigField::IpFilterOn, 445, 1},      {ConfigField::IpFilterRange, 455, 40},
        {ConfigField::HasWebPage, 495, 1},
    }};
    return layout;
}

const ConfigFieldLayout& layoutOf(ConfigField field)
{
    return configFieldLayout()[static_cast<std::size_t>(field)];
}

ConfigBlock::ConfigBlock(const DeviceEntry& entry) : ConfigBlock()
{
    setEntry(entry);
}

DeviceEntry ConfigBlock::entry() const
{
    return DeviceEntry::fromBytes(bytes_.data(), kDeviceEntrySize);
}

void ConfigBlock::setEntry(const DeviceEntry& entry)
{
    std::memcpy(bytes_.data(), entry.data(), kDeviceEntrySize);
}

std::string ConfigBlock::text(DeviceField field) const
{
    return readFieldText(fieldData(field), quillmar::layoutOf(field).width);
}

std::string ConfigBlock::text(ConfigField field) const
{
    return readFieldText(fieldData(field), layoutOf(field).width);
}

void ConfigBlock::setText(DeviceField field, std::string_view text)
{
    writeFieldText(fieldData(field), quillmar::layoutOf(field).width, text);
}

void ConfigBlock::setText(ConfigField field, std::string_view text)
{
    writeFieldText(fieldData(field), layoutOf(field).width, text);
}

}  // namespace quillmar
