#pragma once
// What the configuration window's controls hold, as plain values: the window
// reads its controls into this, and the validation and the save record are built
// from it, so the command line can fill the same struct without any window.
#include <QString>
#include <QtGlobal>
#include <array>

namespace quillmar {

struct ConfigFormValues {
    QString modelName;                // Edit_devName
    QString serialBaud;               // text of CmbBox_sBaud
    QString serialFormat;             // text of the selected item of CmbBox_sDataFormat
    QString serialFlow;               // text of CmbBox_sFlowCtrl
    QString serialInterface;          // text of CmbBox_sSI
    bool packingLengthOn = false;     // CkBox_dpLen
    QString packingLength;            // Edit_dpLen
    bool packingTimeoutOn = false;    // CkBox_dpTmout
    QString packingTimeout;           // Edit_dpTmout
    bool delimiterOn = false;         // CkBox_dpStr
    QString delimiterFirst;           // Edit_dpStr0
    QString delimiterSecond;          // Edit_dpStr1
    int ipModeIndex = 0;              // selected index of CmbBox_ipcfg (1 = DHCP)
    QString ipMode;                   // text of CmbBox_ipcfg
    std::array<QString, 4> octets;    // Edit2 .. Edit5: the module address as the window opened
    quint32 addressControlValue = 0;  // the module address control, first number in the top byte
    int tcpWindowIndex = -1;          // selected index of CmbBox_ws
    QString udpPort;                  // Edit_UDPPort
    QString tcpPort;                  // Edit_listenPort1
    QString deviceName;               // Edit_SerialNo
    QString macAddress;               // Edit_mac
    QString ssid;                     // Edit_SSID
    QString key;                      // Edit_KEY
    QString wpaPsk;                   // Edit_WPAPSK
    QString wifiMode;                 // text of CmbBox_WIFIMode
    QString authMode;                 // text of CmbBox_AuthMode
    QString encryType;                // text of CmbBox_EncryType
};

}  // namespace quillmar
