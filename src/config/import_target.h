#pragma once
// What a "$S" key file sets, one method per effect of a key. The configuration
// window applies each to its controls; the command line prints them
// (KeyFileReport). Import sets controls only: a later export or save takes the
// values from them.
//
// Addresses come in the address control's form (first number in the top byte);
// a text that does not parse arrives as 255.255.255.255. The keys whose controls
// the window does not create have empty defaults.
#include <QString>
#include <QtGlobal>
#include <optional>

namespace quillmar {

class ImportTarget {
public:
    virtual ~ImportTarget() = default;

    virtual void setModelName(const QString& text) = 0;           // $SBN: Edit_devName
    virtual void selectSerialBaud(const QString& text) = 0;       // $SSB: equal item of CmbBox_sBaud
    virtual void selectSerialFormat(const QString& text) = 0;     // $SSD: CmbBox_sDataFormat
    virtual void selectSerialFlow(const QString& text) = 0;       // $SSF: CmbBox_sFlowCtrl
    virtual void selectSerialInterface(const QString& text) = 0;  // $SSI: CmbBox_sSI
    // $SOD: CkBox_dpStr (Edit_dpStr0/1), CkBox_dpTmout (Edit_dpTmout), CkBox_dpLen
    // (Edit_dpLen): checked enables the edits, unchecked disables and empties them.
    virtual void setPackingSwitches(bool delimiterOn, bool timeoutOn, bool lengthOn) = 0;
    // $SOS: Edit_dpStr0 and Edit_dpStr1 (the second may be empty).
    virtual void setDelimiterTexts(const QString& first, const QString& second) = 0;
    virtual void setPackingTimeout(const QString& text) = 0;  // $SOT: Edit_dpTmout
    virtual void setPackingLength(const QString& text) = 0;   // $SOL: Edit_dpLen
    // $SLC: CmbBox_ipcfg "DHCP" (item 1) with the module address control
    // disabled, or "STATIC" (item 0) with it enabled.
    virtual void setIpMode(bool dhcp) = 0;
    virtual void setModuleAddress(quint32 controlValue) = 0;  // $SLI
    virtual void setSubnetMask(quint32 /*controlValue*/) {}   // $SLN
    virtual void setGateway(quint32 /*controlValue*/) {}      // $SLG
    // $SLW: CmbBox_ws selects the index, when the module has a TCP window setting.
    virtual void selectTcpWindowIndex(int index) = 0;
    // $SOM: "TCP Server", "TCP Client" or "UDP" in CmbBox_opmode.
    virtual void selectOperationMode(const QString& itemText) = 0;
    // After the last line, when a $SOM line selected a mode: Panel_udp visible.
    virtual void showUdpPanel() = 0;
    virtual void setListenPort(const QString& text) = 0;  // $SVP: Edit_listenPort
    // $SOC: ChkBox_tmout, ChkBox_tmoutC, ChkBox_tmoutDNS and their edits
    // Edit_connTmout, Edit_connTmoutC, Edit_connTmoutDNS (emptied when off).
    virtual void setConnectionTimeoutOn(bool on) = 0;
    virtual void setConnectionTimeouts(const QString& text) = 0;   // $SOU: the three edits
    virtual void setUdpRemotePort(const QString& text) = 0;        // $SUP: Edit_udpRport
    virtual void setUdpLocalPort(const QString& text) = 0;         // $SUL: Edit_udpLport
    virtual void setUdpRemoteAddress(quint32 /*controlValue*/) {}  // $SUI
    // $SCP: Edit_clientPort and Edit_clientPortDNS.
    virtual void setClientPort(const QString& text) = 0;
    virtual void setClientRemoteAddress(quint32 controlValue) = 0;  // $SCI
    // $SCN: Edit_tcpcHost := text, Edit_ipReport emptied.
    virtual void setClientHostName(const QString& text) = 0;
    virtual void setDnsAddresses(quint32 /*primary*/, std::optional<quint32> /*secondary*/) {}  // $SCS
    // $SOF: ChkBox_IPFen and both filter range controls enabled / disabled.
    virtual void setIpFilterOn(bool on) = 0;
    virtual void setIpFilterStart(quint32 controlValue) = 0;  // $SOI, start side
    virtual void setIpFilterEnd(quint32 controlValue) = 0;    // $SOI, end side
};

}  // namespace quillmar
