#include "config/key_file_report.h"

#include <string>

#include "config/single_byte_text.h"
#include "record/ip_dot.h"

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

void KeyFileReport::add(const QString& control, const QString& value)
{
    lines_.append(control + QStringLiteral(" = ") + value);
}

void KeyFileReport::setModelName(const QString& text) { add(QStringLiteral("Edit_devName"), quoted(text)); }
void KeyFileReport::selectSerialBaud(const QString& text) { add(QStringLiteral("CmbBox_sBaud"), quoted(text)); }
void KeyFileReport::selectSerialFormat(const QString& text) { add(QStringLiteral("CmbBox_sDataFormat"), quoted(text)); }
void KeyFileReport::selectSerialFlow(const QString& text) { add(QStringLiteral("CmbBox_sFlowCtrl"), quoted(text)); }
void KeyFileReport::selectSerialInterface(const QString& text) { add(QStringLiteral("CmbBox_sSI"), quoted(text)); }

void KeyFileReport::setPackingSwitches(bool delimiterOn, bool timeoutOn, bool lengthOn)
{
    add(QStringLiteral("CkBox_dpStr"), onOff(delimiterOn));
    add(QStringLiteral("CkBox_dpTmout"), onOff(timeoutOn));
    add(QStringLiteral("CkBox_dpLen"), onOff(lengthOn));
}

void KeyFileReport::setDelimiterTexts(const QString& first, const QString& second)
{
    add(QStringLiteral("Edit_dpStr0"), quoted(first));
    add(QStringLiteral("Edit_dpStr1"), quoted(second));
}

void KeyFileReport::setPackingTimeout(const QString& text) { add(QStringLiteral("Edit_dpTmout"), quoted(text)); }
void KeyFileReport::setPackingLength(const QString& text) { add(QStringLiteral("Edit_dpLen"), quoted(text)); }
void KeyFileReport::setIpMode(bool dhcp)
{
    add(QStringLiteral("CmbBox_ipcfg"), dhcp ? QStringLiteral("\"DHCP\"") : QStringLiteral("\"STATIC\""));
}
void KeyFileReport::setModuleAddress(quint32 v) { add(QStringLiteral("IP Address"), address(v)); }
void KeyFileReport::setSubnetMask(quint32 v) { add(QStringLiteral("Subnet Mask (no control)"), address(v)); }
void KeyFileReport::setGateway(quint32 v) { add(QStringLiteral("Gateway (no control)"), address(v)); }
void KeyFileReport::selectTcpWindowIndex(int index) { add(QStringLiteral("CmbBox_ws"), QString::number(index)); }
void KeyFileReport::selectOperationMode(const QString& itemText) { add(QStringLiteral("CmbBox_opmode"), quoted(itemText)); }
void KeyFileReport::showUdpPanel() { add(QStringLiteral("Panel_udp"), QStringLiteral("visible")); }
void KeyFileReport::setListenPort(const QString& text) { add(QStringLiteral("Edit_listenPort"), quoted(text)); }
void KeyFileReport::setConnectionTimeoutOn(bool on) { add(QStringLiteral("ChkBox_tmout"), onOff(on)); }
void KeyFileReport::setConnectionTimeouts(const QString& text) { add(QStringLiteral("Edit_connTmout"), quoted(text)); }
void KeyFileReport::setUdpRemotePort(const QString& text) { add(QStringLiteral("Edit_udpRport"), quoted(text)); }
void KeyFileReport::setUdpLocalPort(const QString& text) { add(QStringLiteral("Edit_udpLport"), quoted(text)); }
void KeyFileReport::setUdpRemoteAddress(quint32 v) { add(QStringLiteral("UDP Remote IP (no control)"), address(v)); }
void KeyFileReport::setClientPort(const QString& text) { add(QStringLiteral("Edit_clientPort"), quoted(text)); }
void KeyFileReport::setClientRemoteAddress(quint32 v) { add(QStringLiteral("TCP Client Remote IP"), address(v)); }
void KeyFileReport::setClientHostName(const QString& text) { add(QStringLiteral("Edit_tcpcHost"), quoted(text)); }

void KeyFileReport::setDnsAddresses(quint32 primary, std::optional<quint32> secondary)
{
    add(QStringLiteral("Primary DNS (no control)"), address(primary));
    if (secondary)
        add(QStringLiteral("Secondary DNS (no control)"), address(*secondary));
}

void KeyFileReport::setIpFilterOn(bool on) { add(QStringLiteral("ChkBox_IPFen"), onOff(on)); }
void KeyFileReport::setIpFilterStart(quint32 v) { add(QStringLiteral("IP Filter Start"), address(v)); }
void KeyFileReport::setIpFilterEnd(quint32 v) { add(QStringLiteral("IP Filter End"), address(v)); }

}  // namespace quillmar
