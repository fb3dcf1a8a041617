// Reading the configuration window's controls for validation and the save
// record, and the check that runs before an export or a save by COM port.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "config/cfg_form.h"
#include "config/save_checks.h"
#include "ui/ip_address_edit.h"
#include "ui/prompter.h"

namespace quillmar {

ConfigFormValues TcfgForm::formValues() const
{
    ConfigFormValues v;
    v.modelName = Edit_devName->text();
    v.serialBaud = boxText(CmbBox_sBaud);
    const int format = CmbBox_sDataFormat->currentIndex();
    v.serialFormat = format >= 0 ? CmbBox_sDataFormat->itemText(format) : QString();
    v.serialFlow = boxText(CmbBox_sFlowCtrl);
    v.serialInterface = boxText(CmbBox_sSI);
    v.packingLengthOn = CkBox_dpLen->isChecked();
    v.packingLength = Edit_dpLen->text();
    v.packingTimeoutOn = CkBox_dpTmout->isChecked();
    v.packingTimeout = Edit_dpTmout->text();
    v.delimiterOn = CkBox_dpStr->isChecked();
    v.delimiterFirst = Edit_dpStr0->text();
    v.delimiterSecond = Edit_dpStr1->text();
    v.ipModeIndex = CmbBox_ipcfg->currentIndex();
    v.ipMode = boxText(CmbBox_ipcfg);
    for (std::size_t i = 0; i < octetEdits.size(); ++i)
        v.octets[i] = octetEdits[i]->text();
    v.addressControlValue = moduleAddress_ ? moduleAddress_->value() : 0;
    v.tcpWindowIndex = CmbBox_ws->currentIndex();
    v.udpPort = Edit_UDPPort->text();
    v.tcpPort = Edit_listenPort1->text();
    v.deviceName = Edit_SerialNo->text();
    v.macAddress = Edit_mac->text();
    v.ssid = Edit_SSID->text();
    v.key = Edit_KEY->text();
    v.wpaPsk = Edit_WPAPSK->text();
    v.wifiMode = boxText(CmbBox_WIFIMode);
    v.authMode = boxText(CmbBox_AuthMode);
    v.encryType = boxText(CmbBox_EncryType);
    return v;
}

int TcfgForm::checkBeforeSave()
{
    const SaveCheckOutcome outcome = runSaveChecks(formValues(), block_);
    if (outcome.addressControlValue && moduleAddress_)
        moduleAddress_->setValue(*outcome.addressControlValue);
    switch (outcome.status) {
    case SaveCheckStatus::Passed:
        break;
    case SaveCheckStatus::RuleFailed:
        showError(this, outcome.message);
        break;
    case SaveCheckStatus::ConversionFailed:
        log(QStringLiteral("checkBeforeSave"));
        showException(this, outcome.message);
        break;
    }
    return outcome.result();
}

}  // namespace quillmar
