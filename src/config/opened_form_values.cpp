#include "config/opened_form_values.h"

#include <optional>
#include <string>

#include "config/form_items.h"
#include "config/show_fill.h"
#include "record/coded_fields.h"
#include "record/ipv4_text.h"
#include "record/number_text.h"
#include "record/single_byte_text.h"
#include "record/upper_case.h"

namespace quillmar {

namespace {

template <std::size_t N> QString item(const std::array<const char*, N>& items, int index)
{
    return QString::fromLatin1(items[std::size_t(index)]);
}

// A choice box walks its items and selects the first equal to `text`; with no
// match (or no text) it stays as it was.
template <std::size_t N>
void selectEqual(QString& shown, const std::array<const char*, N>& items, const std::string& text)
{
    for (const char* candidate : items) {
        if (!text.empty() && text == candidate) {
            shown = QString::fromLatin1(candidate);
            return;
        }
    }
}

// A box selected by a deciding character keeps its text when nothing decides.
template <std::size_t N>
void selectDecided(QString& shown, const std::array<const char*, N>& items, std::optional<int> index)
{
    if (index && *index >= 0 && std::size_t(*index) < N)
        shown = item(items, *index);
}

void copyIfPresent(QString& shown, const std::string& text)
{
    if (!text.empty())
        shown = fromSingleByte(text);
}

void fillSerial(const ConfigBlock& block, ConfigFormValues& v)
{
    selectEqual(v.serialBaud, kSerialBaudItems, block.text(ConfigField::SerialBaud));
    selectEqual(v.serialFormat, kSerialFormatItems, block.text(ConfigField::SerialFormat));
    selectEqual(v.serialFlow, kSerialFlowItems, block.text(ConfigField::SerialFlow));
    // The interface list is rebuilt with what the module has, RS-232 first and selected.
    v.serialInterface = item(kSerialInterfaceItems, 0);
    const std::string serialIf = block.text(ConfigField::SerialIf);
    const bool offered = serialIf == kSerialInterfaceItems[1]   ? block.flag(ConfigField::HasRs485) == '1'
                         : serialIf == kSerialInterfaceItems[2] ? block.flag(ConfigField::HasRs422) == '1'
                                                                : false;
    if (offered)
        v.serialInterface = fromSingleByte(serialIf);
}

void fillPacking(const ConfigBlock& block, ConfigFormValues& v)
{
    v.delimiterOn = block.flag(ConfigField::DpDelimOn) == '1';
    if (v.delimiterOn) {
        const DelimiterTexts delimiter = delimiterTextsOf(block.text(ConfigField::DpDelim));
        copyIfPresent(v.delimiterFirst, delimiter.first);
        copyIfPresent(v.delimiterSecond, delimiter.second);
    } else {
        v.delimiterFirst.clear();
        v.delimiterSecond.clear();
    }
    const auto number = [&block](ConfigField onField, ConfigField valueField, bool& on, QString& text) {
        on = block.flag(onField) == '1';
        if (!on)
            text.clear();
        else if (const auto shownText = packingNumberText(block.text(valueField)))
            text = fromSingleByte(*shownText);
    };
    number(ConfigField::DpTimeoutOn, ConfigField::DpTimeout, v.packingTimeoutOn, v.packingTimeout);
    number(ConfigField::DpLengthOn, ConfigField::DpLength, v.packingLengthOn, v.packingLength);
}

}  // namespace

ConfigFormValues laidOutFormValues()
{
    ConfigFormValues v;
    v.serialBaud = item(kSerialBaudItems, kLaidOutSerialBaud);
    v.serialFormat = item(kSerialFormatItems, kLaidOutSerialFormat);
    v.serialFlow = item(kSerialFlowItems, 0);
    v.serialInterface = item(kSerialInterfaceItems, 0);
    v.ipModeIndex = 0;
    v.ipMode = item(kIpModeItems, 0);
    v.tcpWindowIndex = kLaidOutTcpWindow;
    v.wifiMode = item(kWifiModeItems, 0);
    v.authMode = item(kAuthModeItems, 0);
    v.encryType = item(kEncryTypeItems, 0);
    return v;
}

OpenedForm openedFormValues(const ConfigBlock& block, const ConfigFormValues& shown)
{
    OpenedForm opened{shown, std::nullopt};
    ConfigFormValues& v = opened.values;
    copyIfPresent(v.modelName, block.text(ConfigField::AltModelName));
    fillSerial(block, v);
    fillPacking(block, v);

    const AddressView address = addressViewOf(block.text(DeviceField::IpAddress));
    for (std::size_t i = 0; i < v.octets.size(); ++i)
        v.octets[i] = fromSingleByte(address.octetTexts[i]);
    v.addressControlValue = address.controlValue;

    copyIfPresent(v.modelName, block.text(DeviceField::ModelName));
    copyIfPresent(v.deviceName, block.text(DeviceField::DeviceName));
    copyIfPresent(v.tcpPort, block.text(DeviceField::TcpPort));
    copyIfPresent(v.udpPort, block.text(DeviceField::UdpPort));
    copyIfPresent(v.ssid, block.text(DeviceField::Ssid));
    copyIfPresent(v.key, block.text(DeviceField::Key));
    copyIfPresent(v.wpaPsk, block.text(DeviceField::WpaPsk));
    selectDecided(v.wifiMode, kWifiModeItems, readWifiMode(block.text(DeviceField::WifiMode)));
    selectDecided(v.authMode, kAuthModeItems, readAuthMode(block.text(DeviceField::AuthMode)));
    selectDecided(v.encryType, kEncryTypeItems, readEncryType(block.text(DeviceField::EncryType)));
    v.ipModeIndex = readIpMode(block.text(DeviceField::IpMode)) == kIpModeDhcp ? kIpModeDhcp : kIpModeStatic;
    v.ipMode = item(kIpModeItems, v.ipModeIndex);

    if (block.flag(ConfigField::HasTcpWindow) != 0) {
        try {
            const int index = toInteger(block.text(ConfigField::TcpWindowIndex));
            v.tcpWindowIndex = index >= 0 && std::size_t(index) < kTcpWindowItems.size() ? index : -1;
        } catch (const ConversionError& error) {
            opened.stoppedAt = error.what();
            return opened;
        }
    }
    std::string mac = block.text(DeviceField::MacAddress);
    upperCaseText(mac);
    v.macAddress = fromSingleByte(mac);
    return opened;
}

ConfigBlock configBlockFromRecord(const DeviceEntry& record, std::uint32_t openedAddress)
{
    ConfigBlock block(record);
    block.setText(DeviceField::IpAddress, formatIpv4(openedAddress));
    upperCaseText(block.fieldData(DeviceField::MacAddress), layoutOf(DeviceField::MacAddress).width);
    return block;
}

ConfigFormValues formValuesFromRecord(const DeviceEntry& record, std::uint32_t openedAddress)
{
    // A record carries no TCP window setting, so its fill always runs to the end.
    return openedFormValues(configBlockFromRecord(record, openedAddress), laidOutFormValues()).values;
}

}  // namespace quillmar
