#include "config/key_file_report.h"

#include <string>

#include "record/field_names.h"
#include "record/ip_dot.h"
#include "record/single_byte_text.h"

namespace quillmar {

namespace {

QString address(quint32 controlValue)
{
    std::string text;
    ip2dot(controlValue, text);
    return fromSingleByte(text);
}

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

}  // namespace

void KeyFileReport::add(const QString& name, const QString& value)
{
    lines_.append(name + QStringLiteral(" = ") + value);
}

void KeyFileReport::add(DeviceField field, const QString& value)
{
    add(QString::fromLatin1(fieldName(field)), value);
}

void KeyFileReport::add(ConfigField field, const QString& value)
{
    add(QString::fromLatin1(fieldName(field)), value);
}

void KeyFileReport::addOutsideRecord(const char* name, const QString& value)
{
    add(QString::fromLatin1(name) + QStringLiteral(" (not in the record)"), value);
}

void KeyFileReport::setModelName(const QString& text)
{
    add(DeviceField::ModelName, quoted(text));
}
void KeyFileReport::selectSerialBaud(const QString& text)
{
    add(ConfigField::SerialBaud, quoted(text));
}
void KeyFileReport::selectSerialFormat(const QString& text)
{
    add(ConfigField::SerialFormat, quoted(text));
}
void KeyFileReport::selectSerialFlow(const QString& text)
{
    add(ConfigField::SerialFlow, quoted(text));
}
void KeyFileReport::selectSerialInterface(const QString& text)
{
    add(ConfigField::SerialIf, quoted(text));
}

void KeyFileReport::setPackingSwitches(bool delimiterOn, bool timeoutOn, bool lengthOn)
{
    add(ConfigField::DpDelimOn, onOff(delimiterOn));
    add(ConfigField::DpTimeoutOn, onOff(timeoutOn));
    add(ConfigField::DpLengthOn, onOff(lengthOn));
}

// The record keeps the two delimiter bytes as one text of hexadecimal digits.
void KeyFileReport::setDelimiterTexts(const QString& first, const QString& second)
{
    add(ConfigField::DpDelim, quoted(first + second));
}

void KeyFileReport::setPackingTimeout(const QString& text)
{
    add(ConfigField::DpTimeout, quoted(text));
}
void KeyFileReport::setPackingLength(const QString& text)
{
    add(ConfigField::DpLength, quoted(text));
}
void KeyFileReport::setIpMode(bool dhcp)
{
    add(DeviceField::IpMode, dhcp ? QStringLiteral("\"DHCP\"") : QStringLiteral("\"STATIC\""));
}
void KeyFileReport::setModuleAddress(quint32 v)
{
    add(DeviceField::IpAddress, address(v));
}
void KeyFileReport::setSubnetMask(quint32 v)
{
    addOutsideRecord("subnetMask", address(v));
}
void KeyFileReport::setGateway(quint32 v)
{
    addOutsideRecord("gateway", address(v));
}
void KeyFileReport::selectTcpWindowIndex(int index)
{
    add(ConfigField::TcpWindowIndex, QString::number(index));
}

void KeyFileReport::selectOperationMode(const QString& itemText)
{
    const QString code = itemText == QLatin1String("TCP Server")   ? QStringLiteral("TS")
                         : itemText == QLatin1String("TCP Client") ? QStringLiteral("TC")
                                                                   : QStringLiteral("UD");
    add(ConfigField::OpModeCode, quoted(code) + QStringLiteral(" (") + itemText + u')');
}

// Only the window shows it; the record holds nothing for it.
void KeyFileReport::showUdpPanel()
{
}
void KeyFileReport::setListenPort(const QString& text)
{
    addOutsideRecord("listenPort", quoted(text));
}
void KeyFileReport::setConnectionTimeoutOn(bool on)
{
    addOutsideRecord("connectionTimeoutOn", onOff(on));
}
void KeyFileReport::setConnectionTimeouts(const QString& text)
{
    addOutsideRecord("connectionTimeout", quoted(text));
}
void KeyFileReport::setUdpRemotePort(const QString& text)
{
    addOutsideRecord("udpRemotePort", quoted(text));
}
void KeyFileReport::setUdpLocalPort(const QString& text)
{
    addOutsideRecord("udpLocalPort", quoted(text));
}
void KeyFileReport::setUdpRemoteAddress(quint32 v)
{
    addOutsideRecord("udpRemoteAddress", address(v));
}
void KeyFileReport::setClientPort(const QString& text)
{
    addOutsideRecord("clientPort", quoted(text));
}
void KeyFileReport::setClientRemoteAddress(quint32 v)
{
    addOutsideRecord("clientRemoteAddress", address(v));
}
void KeyFileReport::setClientHostName(const QString& text)
{
    addOutsideRecord("clientHostName", quoted(text));
}

void KeyFileReport::setDnsAddresses(quint32 primary, std::optional<quint32> secondary)
{
    addOutsideRecord("primaryDns", address(primary));
    if (secondary)
        addOutsideRecord("secondaryDns", address(*secondary));
}

void KeyFileReport::setIpFilterOn(bool on)
{
    add(ConfigField::IpFilterOn, onOff(on));
}
void KeyFileReport::setIpFilterStart(quint32 v)
{
    add(QStringLiteral("ipFilterRange start"), address(v));
}
void KeyFileReport::setIpFilterEnd(quint32 v)
{
    add(QStringLiteral("ipFilterRange end"), address(v));
}

}  // namespace quillmar
