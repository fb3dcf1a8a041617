#include "config/validation_rules.h"

#include <string>

#include "record/ip_dot.h"
#include "record/single_byte_text.h"

namespace quillmar {

namespace {

// The range check of the number rules: zero and anything above `maximum`, a
// negative number read as unsigned included, fails.
bool outOfRange(const QString& text, unsigned maximum)
{
    const int value = toInteger(toSingleByte(text));
    return value == 0 || static_cast<unsigned>(value) > maximum;
}

int hexBoxValue(const QString& text)
{
    const std::string prefixed = "0x" + toSingleByte(text);
    try {
        return hexToInteger(toSingleByte(text));
    } catch (const ConversionError&) {
        // The user typed the digits only; the number converted is the "0x" text.
        throw ConversionError("'" + prefixed + "' is not a valid integer value");
    }
}

bool isMacSeparatorPosition(qsizetype position)
{
    return position == 2 || position == 5 || position == 8 || position == 11 || position == 14;
}

bool isLetterOrDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

}  // namespace

RuleMessage checkModelName(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("device name can't be blank");
    return std::nullopt;
}

RuleMessage checkPackingLength(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("data packing length can't be blank");
    if (outOfRange(text, 1024))
        return QStringLiteral("invalid data packing length");
    return std::nullopt;
}

RuleMessage checkPackingTimeout(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("data packing timeout can't be blank");
    if (outOfRange(text, 65535))
        return QStringLiteral("invalid data packing timeout");
    return std::nullopt;
}

RuleMessage checkDelimiter(const QString& first)
{
    if (first.isEmpty())
        return QStringLiteral("delimiter can't be blank");
    return std::nullopt;
}

QString delimiterCode(const QString& first, const QString& second)
{
    const int firstValue = hexBoxValue(first);
    QString code = QStringLiteral("%1").arg(firstValue, 2, 16, QLatin1Char('0')).toUpper();
    if (!second.isEmpty())
        code += QStringLiteral("%1").arg(hexBoxValue(second), 2, 16, QLatin1Char('0')).toUpper();
    return code;
}

AddressCheck checkOctetAddress(const std::array<QString, 4>& octets)
{
    const QString joined = octets[0] + u'.' + octets[1] + u'.' + octets[2] + u'.' + octets[3];
    AddressCheck check;
    // The address control takes the parsed value and is read back; what it
    // prints is what gets stored and checked.
    check.controlValue = controlValueOf(dot2ip(toSingleByte(joined)));
    std::string printed;
    const int has255 = ip2dot(check.controlValue, printed);
    check.ipAddress = fromSingleByte(printed);
    if (check.ipAddress == QLatin1String("0.0.0.0") || has255)
        check.message = QStringLiteral("invalid IP address");
    return check;
}

RuleMessage checkUdpPort(const QString& text)
{
    if (outOfRange(text, 65535))
        return QStringLiteral("invalid UDP Port");
    return std::nullopt;
}

RuleMessage checkTcpPort(const QString& text)
{
    if (outOfRange(text, 65535))
        return QStringLiteral("invalid TCP Port");
    return std::nullopt;
}

RuleMessage checkSerialNumber(const QString& text)
{
    if (text.isEmpty() || text.size() > 16)
        return QStringLiteral("invalid Serial Number!");
    return std::nullopt;
}

RuleMessage checkMacAddress(const QString& text)
{
    if (text.size() != 17)
        return QStringLiteral("invalid MAC Address format!can't over 17 bytes");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'.' && !isMacSeparatorPosition(i))
            return QStringLiteral("invalid MAC Address format! about point position.");
        if (c > u'9' && c < u'A')
            return QStringLiteral("invalid MAC Address format!  about number.");
        if (c > u'F' && c < u'a')
            return QStringLiteral("invalid MAC Address format!  about number");
        if (c > u'f')
            return QStringLiteral("invalid MAC Address format!  about number");
    }
    return std::nullopt;
}

RuleMessage checkSsid(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("invalid SSID config! can't be blank.");
    if (text.size() > 34)
        return QStringLiteral("invalid SSID config! can't over 34 words.");
    for (const QChar c : text) {
        if (!isLetterOrDigit(c.unicode()))
            return QStringLiteral("invalid SSID config!");
    }
    return std::nullopt;
}

RuleMessage checkKey(const QString& text)
{
    if (text.size() > 28)
        return QStringLiteral("invalid KEY config! can't over 28 words.");
    return std::nullopt;
}

RuleMessage checkWpaPsk(const QString& text)
{
    if (text.size() > 72)
        return QStringLiteral("invalid WPAPSK config! can't over 72 words.");
    return std::nullopt;
}

RuleMessage checkSingleByteText(DeviceField field, const QString& text)
{
    if (isSingleByte(text))
        return std::nullopt;
    switch (field) {
    case DeviceField::ModelName:
        return QStringLiteral("invalid Model Name!");
    case DeviceField::DeviceName:
        return QStringLiteral("invalid Serial Number!");
    case DeviceField::MacAddress:
        return QStringLiteral("invalid MAC Address format!  about number");
    case DeviceField::IpAddress:
        return QStringLiteral("invalid IP address");
    case DeviceField::TcpPort:
        return QStringLiteral("invalid TCP Port");
    case DeviceField::UdpPort:
        return QStringLiteral("invalid UDP Port");
    case DeviceField::IpMode:
        return QStringLiteral("invalid IP Mode!");
    case DeviceField::WifiMode:
        return QStringLiteral("invalid WIFI Mode!");
    case DeviceField::AuthMode:
        return QStringLiteral("invalid Auth Mode!");
    case DeviceField::EncryType:
        return QStringLiteral("invalid Encry Mode!");
    case DeviceField::Ssid:
        return QStringLiteral("invalid SSID config!");
    case DeviceField::Key:
        return QStringLiteral("invalid KEY config!");
    case DeviceField::WpaPsk:
        return QStringLiteral("invalid WPAPSK config!");
    }
    return std::nullopt;
}

RuleMessage checkSingleByteTexts(const ConfigFormValues& v)
{
    const std::pair<DeviceField, const QString*> texts[] = {
        {DeviceField::ModelName, &v.modelName},
        {DeviceField::DeviceName, &v.deviceName},
        {DeviceField::MacAddress, &v.macAddress},
        {DeviceField::TcpPort, &v.tcpPort},
        {DeviceField::UdpPort, &v.udpPort},
        {DeviceField::IpMode, &v.ipMode},
        {DeviceField::WifiMode, &v.wifiMode},
        {DeviceField::AuthMode, &v.authMode},
        {DeviceField::EncryType, &v.encryType},
        {DeviceField::Ssid, &v.ssid},
        {DeviceField::Key, &v.key},
        {DeviceField::WpaPsk, &v.wpaPsk},
    };
    for (const auto& [field, text] : texts) {
        if (RuleMessage refused = checkSingleByteText(field, *text))
            return refused;
    }
    return std::nullopt;
}

}  // namespace quillmar
