#include "config/save_checks.h"

#include "config/validation_rules.h"
#include "record/single_byte_text.h"

namespace quillmar {

namespace {

// Records a failing rule in the outcome; the caller then ends the check, and the
// copies made before it stay done.
bool failed(const RuleMessage& message, SaveCheckOutcome& outcome)
{
    if (!message)
        return false;
    outcome.status = SaveCheckStatus::RuleFailed;
    outcome.message = *message;
    return true;
}

void copy(ConfigBlock& block, DeviceField field, const QString& text)
{
    block.setText(field, toSingleByte(text));
}

void copy(ConfigBlock& block, ConfigField field, const QString& text)
{
    block.setText(field, toSingleByte(text));
}

void runRules(const ConfigFormValues& v, ConfigBlock& block, SaveCheckOutcome& outcome)
{
    if (failed(checkSingleByteTexts(v), outcome))
        return;
    if (failed(checkModelName(v.modelName), outcome))
        return;
    copy(block, DeviceField::ModelName, v.modelName);

    copy(block, ConfigField::SerialBaud, v.serialBaud);
    copy(block, ConfigField::SerialFormat, v.serialFormat);
    copy(block, ConfigField::SerialFlow, v.serialFlow);
    copy(block, ConfigField::SerialIf, v.serialInterface);

    if (v.packingLengthOn) {
        if (failed(checkPackingLength(v.packingLength), outcome))
            return;
        copy(block, ConfigField::DpLength, v.packingLength);
        block.setFlag(ConfigField::DpLengthOn, '1');
    } else {
        block.setFlag(ConfigField::DpLengthOn, '0');
    }

    if (v.packingTimeoutOn) {
        if (failed(checkPackingTimeout(v.packingTimeout), outcome))
            return;
        copy(block, ConfigField::DpTimeout, v.packingTimeout);
        block.setFlag(ConfigField::DpTimeoutOn, '1');
    } else {
        block.setFlag(ConfigField::DpTimeoutOn, '0');
    }

    if (v.delimiterOn) {
        if (failed(checkDelimiter(v.delimiterFirst), outcome))
            return;
        copy(block, ConfigField::DpDelim, delimiterCode(v.delimiterFirst, v.delimiterSecond));
        block.setFlag(ConfigField::DpDelimOn, '1');
    } else {
        block.setFlag(ConfigField::DpDelimOn, '0');
    }

    block.setByteAt(kPackingReservedOffset, 0);

    if (v.ipModeIndex == 1) {
        copy(block, DeviceField::IpMode, QStringLiteral("DHCP"));
        block.setByteAt(kDhcpClearedOffset, 0);
    } else {
        copy(block, DeviceField::IpMode, QStringLiteral("STATIC"));
    }
    block.setByteAt(kValidationClearedOffset, 0);

    const AddressCheck address = checkOctetAddress(v.octets);
    copy(block, DeviceField::IpAddress, address.ipAddress);
    outcome.addressControlValue = address.controlValue;
    if (failed(address.message, outcome))
        return;

    if (block.flag(ConfigField::HasTcpWindow) != 0)
        copy(block, ConfigField::TcpWindowIndex, QString::number(v.tcpWindowIndex));

    copy(block, ConfigField::OpModeCode, QStringLiteral("UD"));

    if (failed(checkUdpPort(v.udpPort), outcome))
        return;
    copy(block, DeviceField::UdpPort, v.udpPort);

    if (failed(checkTcpPort(v.tcpPort), outcome))
        return;
    copy(block, DeviceField::TcpPort, v.tcpPort);

    if (failed(checkSerialNumber(v.deviceName), outcome))
        return;
    copy(block, DeviceField::DeviceName, v.deviceName);

    if (failed(checkMacAddress(v.macAddress), outcome))
        return;
    copy(block, DeviceField::MacAddress, v.macAddress);

    if (failed(checkSsid(v.ssid), outcome))
        return;
    copy(block, DeviceField::Ssid, v.ssid);

    if (failed(checkKey(v.key), outcome))
        return;
    copy(block, DeviceField::Key, v.key);

    if (failed(checkWpaPsk(v.wpaPsk), outcome))
        return;
    copy(block, DeviceField::WpaPsk, v.wpaPsk);

    copy(block, DeviceField::WifiMode, v.wifiMode);
    copy(block, DeviceField::IpMode, v.ipMode);
    copy(block, DeviceField::AuthMode, v.authMode);
    copy(block, DeviceField::EncryType, v.encryType);
}

}  // namespace

SaveCheckOutcome runSaveChecks(const ConfigFormValues& values, ConfigBlock& block)
{
    SaveCheckOutcome outcome;
    try {
        runRules(values, block, outcome);
    } catch (const ConversionError& error) {
        outcome.status = SaveCheckStatus::ConversionFailed;
        outcome.message = QString::fromLatin1(error.what());
    }
    return outcome;
}

}  // namespace quillmar
