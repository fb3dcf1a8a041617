// The configuration window's behaviour: the show-time fill, the dependent-control
// rules and the closing.
#include "config/cfg_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <cerrno>
#include <exception>
#include <new>
#include <tuple>
#include <vector>

#include "comm/serial_control.h"
#include "comm/udp_endpoint.h"
#include "config/config_window_registry.h"
#include "config/form_items.h"
#include "config/opened_form_values.h"
#include "config/record_rules.h"
#include "config/save_result_form.h"
#include "config/several_printers.h"
#include "config/show_fill.h"
#include "record/coded_fields.h"
#include "record/number_text.h"
#include "record/program_flags.h"
#include "record/single_byte_text.h"
#include "record/upper_case.h"
#include "record/wifi_choices.h"
#include "ui/accessible_names.h"
#include "ui/form_helpers.h"
#include "ui/ip_address_edit.h"
#include "ui/prompter.h"
#include "write/previewed_save.h"

namespace quillmar {

namespace {

QStringList toItems(const std::vector<std::string>& words)
{
    QStringList items;
    for (const std::string& word : words)
        items << fromSingleByte(word);
    return items;
}

}  // namespace

QString TcfgForm::boxText(const QComboBox* box)
{
    return box->currentText();
}

void TcfgForm::connectHandlers()
{
    connect(abortBtn, &QPushButton::clicked, this, &TcfgForm::abortBtnClick);
    connect(CmbBox_ipcfg, &QComboBox::activated, this, &TcfgForm::CmbBox_ipcfgChange);
    connect(CmbBox_WIFIMode, &QComboBox::activated, this, &TcfgForm::CmbBox_ipcfgChange);
    new ComboDoubleClickWatcher(CmbBox_ipcfg, [this] { CmbBox_ipcfgDblClick(); });
    connect(CmbBox_AuthMode, &QComboBox::activated, this, &TcfgForm::CmbBox_AuthModeChange);
    connect(CmbBox_EncryType, &QComboBox::activated, this, &TcfgForm::CmbBox_EncryTypeChange);
    connect(CmbBox_opmode, &QComboBox::activated, this, &TcfgForm::CmbBox_opmodeChange);
    connect(ChkBox_DNSen, &QCheckBox::clicked, this, &TcfgForm::ChkBox_DNSenClick);
    connect(ChkBox_IPFen, &QCheckBox::clicked, this, &TcfgForm::ChkBox_IPFenClick);
    connect(CkBox_dpLen, &QCheckBox::clicked, this, &TcfgForm::CkBox_dpLenClick);
    connect(CkBox_dpTmout, &QCheckBox::clicked, this, &TcfgForm::CkBox_dpTmoutClick);
    connect(CkBox_dpStr, &QCheckBox::clicked, this, &TcfgForm::CkBox_dpStrClick);
    connect(ChkBox_tmout, &QCheckBox::clicked, this, &TcfgForm::ChkBox_tmoutClick);
    connect(ChkBox_tmoutC, &QCheckBox::clicked, this, &TcfgForm::ChkBox_tmoutCClick);
    connect(ChkBox_tmoutDNS, &QCheckBox::clicked, this, &TcfgForm::ChkBox_tmoutDNSClick);
    connect(CmbBox_comport, &QComboBox::activated, this, &TcfgForm::CmbBox_comportChange);
    connect(CmbBox_sBaud, &QComboBox::activated, this, &TcfgForm::CmbBox_sBaudChange);
    connect(CmbBox_sFlowCtrl, &QComboBox::activated, this, &TcfgForm::CmbBox_sFlowCtrlChange);
    connect(Edit2, &QLineEdit::textChanged, this, &TcfgForm::Edit2Change);
    connect(Edit3, &QLineEdit::textChanged, this, &TcfgForm::Edit3Change);
    connect(Edit4, &QLineEdit::textChanged, this, &TcfgForm::Edit4Change);
    connect(Edit5, &QLineEdit::textChanged, this, &TcfgForm::Edit5Change);
    connectSaveHandlers();
    connectFileHandlers();
    connectWebHandlers();
}

void TcfgForm::log(const QString& line) const
{
    if (context_.log)
        context_.log(line);
}

void TcfgForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window restored from the task bar is not shown anew.
    if (!event->spontaneous())
        FormShow();
}

void TcfgForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TcfgForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TcfgForm::FormShow()
{
    holdsDevice_ = true;
    if (!configPort_.active()) {
        configPort_ = ConfigPort::shared().listen([this](const QByteArray& datagram, const QString& fromIp, unsigned) {
            NMUDP1DataReceived(datagram, fromIp);
        });
    }
    if (!NMUDP2->hasSocket()) {
        try {
            NMUDP2->setLocalPort(0);
        } catch (const std::exception& error) {
            log(QStringLiteral("NMUDP2: %1").arg(QString::fromLocal8Bit(error.what())));
        }
    }
    try {
        fillControls();
    } catch (const ConversionError& error) {
        log(QStringLiteral("TcfgForm::FormShow"));
        showException(this, QString::fromLatin1(error.what()));
    }
}

void TcfgForm::fillControls()
{
    // A fresh start for the COM save's line settings and the buttons.
    comSettingsText_ = kDefaultSerialSettings;
    abortBtn->setText(QStringLiteral("Abort"));
    abortBtn->setEnabled(true);
    Button1->setEnabled(true);
    Button1->hide();
    // The IP mode may be changed only under the -p start option.
    CmbBox_ipcfg->setEnabled(programFlags().allowIpModeFlag);
    Edit_listenPort->setEnabled(true);
    // The web page tab, for a module that declares web pages.
    const bool webPage = block_.flag(ConfigField::HasWebPage) != 0;
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet_We), webPage);
    if (webPage) {
        if (context_.webSourceDirectory)
            Edit_srcDir->setText(*context_.webSourceDirectory);
        if (context_.webImagePath) {
            Edit_outFile->setText(*context_.webImagePath);
            Edit_bin->setText(*context_.webImagePath);
        }
    }
    // The device as it was opened: the close releases this MAC, the web
    // upload logs in with this address and key.
    openedIp_ = block_.text(DeviceField::IpAddress);
    openedMac_ = block_.text(DeviceField::MacAddress);
    openedKey_ = block_.text(DeviceField::Key);
    // The address controls, the keyboard order and the title naming the device.
    createAddressControls();
    orderTabStops();
    showDeviceInTitle(openedIp_);

    // The values the controls take are worked out in one place, shared with
    // the command line; what follows puts them into the controls in order.
    const OpenedForm opened = openedFormValues(block_, formValues());
    const ConfigFormValues& v = opened.values;
    Edit1->setText(fromSingleByte(context_.defaultModelName));
    fillSerialGroup(v);
    fillDataPacking(v);
    fillAddress(v);
    fillRecordTexts(v);
    // The TCP window size (its number did not convert: the fill ends here).
    if (opened.stoppedAt)
        throw ConversionError(*opened.stoppedAt);
    if (block_.flag(ConfigField::HasTcpWindow) != 0) {
        CmbBox_ws->setCurrentIndex(v.tcpWindowIndex);
    } else {
        Label_windowsize->hide();
        CmbBox_ws->hide();
    }
    // The block keeps the upper-cased MAC text from now on.
    upperCaseText(block_.fieldData(DeviceField::MacAddress), layoutOf(DeviceField::MacAddress).width);
    Edit_mac->setText(v.macAddress);
    fillOperationMode();
    fillIpFilter();
    // The dependent lists follow the choices just made; the shown texts stay.
    rebuildAuthList();
    rebuildEncryList();
    coverKeyBox();
    if (severalPrinters())
        applySeveralMode();
    // A save sets what the user changes from here on.
    chosenMac_ = openedMac_;
    shownValues_ = formValues();
}

void TcfgForm::applySeveralMode()
{
    // Each printer keeps its own name, MAC and address.
    const QString count = QStringLiteral("%1 printers").arg(printers_.size());
    for (QLineEdit* own : {Edit_SerialNo, Edit_mac}) {
        own->clear();
        own->setPlaceholderText(count);
        own->setEnabled(false);
    }
    if (moduleAddress_) {
        moduleAddress_->clear();
        moduleAddress_->setEnabled(false);
    }
    for (QLineEdit* edit : octetEdits)
        edit->setEnabled(false);
    // A file holds one printer's record.
    exportBtn->setEnabled(false);
    // Where the printers differ, the box is blank until the user sets it.
    for (const DeviceField field : differingFields(printers_)) {
        switch (field) {
        case DeviceField::IpMode:
            CmbBox_ipcfg->setEditText(QString());
            break;
        case DeviceField::WifiMode:
            CmbBox_WIFIMode->setEditText(QString());
            break;
        case DeviceField::AuthMode:
            CmbBox_AuthMode->setEditText(QString());
            break;
        case DeviceField::EncryType:
            CmbBox_EncryType->setEditText(QString());
            break;
        case DeviceField::TcpPort:
            Edit_listenPort1->setPlaceholderText(QStringLiteral("differs"));
            break;
        case DeviceField::UdpPort:
            Edit_UDPPort->setPlaceholderText(QStringLiteral("differs"));
            break;
        case DeviceField::Ssid:
            Edit_SSID->setPlaceholderText(QStringLiteral("differs"));
            break;
        case DeviceField::Key:
            Edit_KEY->setPlaceholderText(QStringLiteral("differs"));
            break;
        case DeviceField::WpaPsk:
            Edit_WPAPSK->setPlaceholderText(QStringLiteral("differs"));
            break;
        default:
            break;
        }
    }
    showDeviceInTitle({});
}

void TcfgForm::createAddressControls()
{
    destroyAddressControls();
    const auto create = [this](QWidget* parent, int x, int y, int width, int height,
                               const QString& name) -> IpAddressEdit* {
        try {
            auto* control = new IpAddressEdit(parent);
            control->setObjectName(name);
            control->setGeometry(x, y, width, height);
            control->show();
            return control;
        } catch (const std::bad_alloc&) {
            showError(this, QStringLiteral("create ip control failed: %1").arg(ENOMEM));
            return nullptr;
        }
    };
    const QRect box = CmbBox_ipcfg->geometry();
    moduleAddress_ = create(GrpBox_ns, box.left(), 2 * box.top() + box.height() - 2, box.width(), box.height() + 2,
                            QStringLiteral("IPAddress_module"));
    clientRemoteAddress_ = create(Panel_tcpc, 96, 8, box.width(), box.height() + 2,
                                  QStringLiteral("IPAddress_tcpcRemote"));
    const int left = Label_startIp->x() + Label_startIp->width() + 8;
    filterStart_ = create(GrpBox_ipFilter, left, Label_startIp->y() - 2, box.width(), box.height() + 2,
                          QStringLiteral("IPAddress_filterStart"));
    filterEnd_ = create(GrpBox_ipFilter, left, Label_endIp->y(), box.width(), box.height() + 2,
                        QStringLiteral("IPAddress_filterEnd"));
    nameByLabel(Label_ipAddress, moduleAddress_);
    nameInput(clientRemoteAddress_, QStringLiteral("Remote IP"));
    nameByLabel(Label_startIp, filterStart_);
    nameByLabel(Label_endIp, filterEnd_);
}

void TcfgForm::destroyAddressControls()
{
    for (IpAddressEdit** control : {&moduleAddress_, &clientRemoteAddress_, &filterStart_, &filterEnd_}) {
        delete *control;
        *control = nullptr;
    }
}

void TcfgForm::fillSerialGroup(const ConfigFormValues& v)
{
    selectItemEqualTo(CmbBox_sBaud, v.serialBaud);
    selectItemEqualTo(CmbBox_sDataFormat, v.serialFormat);
    selectItemEqualTo(CmbBox_sFlowCtrl, v.serialFlow);
    CmbBox_sSI->clear();
    CmbBox_sSI->addItem(fromSingleByte(kSerialInterfaceItems[0]));
    if (block_.flag(ConfigField::HasRs485) == '1')
        CmbBox_sSI->addItem(fromSingleByte(kSerialInterfaceItems[1]));
    if (block_.flag(ConfigField::HasRs422) == '1')
        CmbBox_sSI->addItem(fromSingleByte(kSerialInterfaceItems[2]));
    selectItemEqualTo(CmbBox_sSI, v.serialInterface);
}

void TcfgForm::fillDataPacking(const ConfigFormValues& v)
{
    const std::tuple<bool, QCheckBox*, std::vector<std::pair<QLineEdit*, QString>>> groups[] = {
        {v.delimiterOn, CkBox_dpStr, {{Edit_dpStr0, v.delimiterFirst}, {Edit_dpStr1, v.delimiterSecond}}},
        {v.packingTimeoutOn, CkBox_dpTmout, {{Edit_dpTmout, v.packingTimeout}}},
        {v.packingLengthOn, CkBox_dpLen, {{Edit_dpLen, v.packingLength}}}};
    for (const auto& [on, check, edits] : groups) {
        check->setChecked(on);
        for (const auto& [edit, text] : edits) {
            setEditUsableOrEmpty(edit, on);
            edit->setText(text);
        }
    }
}

void TcfgForm::fillAddress(const ConfigFormValues& v)
{
    saveExchange_->setTargetAddress(
        QString::fromStdString(addressViewOf(block_.text(DeviceField::IpAddress)).targetIpText));
    if (moduleAddress_)
        moduleAddress_->setValue(v.addressControlValue);
    for (std::size_t i = 0; i < octetEdits.size(); ++i) {
        octetEdits[i]->setText(v.octets[i]);
        octetChanged(int(i));  // also when the text was already there
    }
}

void TcfgForm::showModuleAddress(const std::string& ipAddressText)
{
    ConfigFormValues v = formValues();
    const AddressView view = addressViewOf(ipAddressText);
    for (std::size_t i = 0; i < v.octets.size(); ++i)
        v.octets[i] = fromSingleByte(view.octetTexts[i]);
    v.addressControlValue = view.controlValue;
    fillAddress(v);
    showDeviceInTitle(ipAddressText);
}

void TcfgForm::fillRecordTexts(const ConfigFormValues& v)
{
    const std::pair<QLineEdit*, const QString*> texts[] = {
        {Edit_devName, &v.modelName}, {Edit_SerialNo, &v.deviceName}, {Edit_listenPort1, &v.tcpPort},
        {Edit_UDPPort, &v.udpPort},   {Edit_SSID, &v.ssid},           {Edit_KEY, &v.key},
        {Edit_WPAPSK, &v.wpaPsk}};
    for (const auto& [edit, text] : texts)
        edit->setText(*text);
    selectItemEqualTo(CmbBox_WIFIMode, v.wifiMode);
    selectItemEqualTo(CmbBox_AuthMode, v.authMode);
    selectItemEqualTo(CmbBox_EncryType, v.encryType);
    selectItem(CmbBox_ipcfg, v.ipModeIndex);
    if (moduleAddress_)
        moduleAddress_->setEnabled(v.ipModeIndex != kIpModeDhcp);
}

void TcfgForm::fillOperationMode()
{
    for (QWidget* panel : {Panel_tcps, Panel_tcpc, Panel_udp, Panel_tcpcDNS, static_cast<QWidget*>(GrpBox_DNS)})
        panel->hide();
    if (block_.text(ConfigField::OpModeCode).substr(0, 2) == "UD") {
        selectItemEqualTo(CmbBox_opmode, QStringLiteral("UDP"));
        Panel_udp->show();
    }
    for (QCheckBox* box : {ChkBox_tmout, ChkBox_tmoutC, ChkBox_tmoutDNS})
        box->setChecked(false);
    for (QLineEdit* edit : {Edit_connTmout, Edit_connTmoutC, Edit_connTmoutDNS})
        setEditUsableOrEmpty(edit, false);
    CmbBox_connAt->setCurrentIndex(0);
    CmbBox_connAtDNS->setCurrentIndex(0);
}

void TcfgForm::fillIpFilter()
{
    const bool on = block_.flag(ConfigField::IpFilterOn) == '1';
    ChkBox_IPFen->setChecked(on);
    ChkBox_IPFenClick();
    if (!on)
        return;
    if (const auto range = filterRangeOf(block_.text(ConfigField::IpFilterRange))) {
        if (range->start && filterStart_)
            filterStart_->setValue(*range->start);
        if (range->end && filterEnd_)
            filterEnd_->setValue(*range->end);
    }
}

void TcfgForm::FormClose()
{
    // A closed window's save goes no further: its timer stops with it.
    stopSave();
    if (severalSave_)
        severalSave_->stop();
    if (readback_)
        readback_->stop();
    // A closed window is only hidden and lives until the program ends, so it
    // stops hearing the configuration port (the last window to leave gives the
    // port back) and gives its descriptor back. A showing takes both anew.
    configPort_.reset();
    NMUDP2->closeSocket();
    if (!holdsDevice_)
        return;
    holdsDevice_ = false;
    if (context_.releaseDevice) {
        if (severalPrinters()) {
            for (const DeviceEntry& printer : printers_)
                context_.releaseDevice(printer.text(DeviceField::MacAddress));
        } else {
            context_.releaseDevice(openedMac_);
        }
    }
    destroyAddressControls();
}

void TcfgForm::abortBtnClick()
{
    close();
}

void TcfgForm::rebuildAuthList()
{
    rebuildList(CmbBox_AuthMode, toItems(authModeItemsFor(CmbBox_WIFIMode->currentIndex())));
}

void TcfgForm::rebuildEncryList()
{
    if (const auto items = encryTypeItemsFor(boxText(CmbBox_AuthMode).toStdString()))
        rebuildList(CmbBox_EncryType, toItems(*items));
}

void TcfgForm::coverKeyBox()
{
    const bool coverWpa = coversWpaKey(boxText(CmbBox_EncryType).toStdString());
    Edit9->setVisible(!coverWpa);
    Edit10->setVisible(coverWpa);
    // A covered box can be neither clicked nor tabbed into.
    Edit_KEY->setFocusPolicy(coverWpa ? Qt::StrongFocus : Qt::NoFocus);
    Edit_WPAPSK->setFocusPolicy(coverWpa ? Qt::NoFocus : Qt::StrongFocus);
    Edit9->raise();
    Edit10->raise();
}

void TcfgForm::CmbBox_ipcfgChange()
{
    const int mode = CmbBox_ipcfg->currentIndex();
    // Several printers keep their own addresses whatever the mode.
    if ((mode == kIpModeDhcp || mode == kIpModeStatic) && !severalPrinters()) {
        const bool enable = mode == kIpModeStatic;
        if (moduleAddress_)
            moduleAddress_->setEnabled(enable);
        for (QLineEdit* edit : octetEdits)
            edit->setEnabled(enable);
    }
    rebuildAuthList();
    CmbBox_AuthModeChange();
}

void TcfgForm::CmbBox_ipcfgDblClick()
{
    openPasswordDialog();
}

void TcfgForm::CmbBox_AuthModeChange()
{
    rebuildEncryList();
    CmbBox_EncryTypeChange();
}

void TcfgForm::CmbBox_EncryTypeChange()
{
    const QString shown = boxText(CmbBox_EncryType);
    const QString fitted = fromSingleByte(fittedEncryText(boxText(CmbBox_AuthMode).toStdString(), shown.toStdString()));
    if (fitted != shown)
        CmbBox_EncryType->setEditText(fitted);
    coverKeyBox();
}

void TcfgForm::CmbBox_opmodeChange()
{
    for (QWidget* panel : {Panel_tcps, Panel_tcpc, Panel_udp, Panel_tcpcDNS, static_cast<QWidget*>(GrpBox_DNS)})
        panel->hide();
    switch (operationPanelFor(CmbBox_opmode->currentText().toStdString())) {
    case OperationPanel::TcpServer:
        Panel_tcps->show();
        break;
    case OperationPanel::TcpClient:
        Panel_tcpc->show();
        break;
    case OperationPanel::Udp:
        Panel_udp->show();
        break;
    case OperationPanel::None:
        break;
    }
}

void TcfgForm::ChkBox_DNSenClick()
{
    Panel_tcpcDNS->hide();
    Panel_tcpc->hide();
    // This window makes no DNS server address controls, so there is nothing
    // else to enable.
    (ChkBox_DNSen->isChecked() ? Panel_tcpcDNS : Panel_tcpc)->show();
}

void TcfgForm::ChkBox_IPFenClick()
{
    const bool on = ChkBox_IPFen->isChecked();
    for (IpAddressEdit* control : {filterStart_, filterEnd_}) {
        if (control)
            control->setEnabled(on);
    }
}

void TcfgForm::CkBox_dpLenClick()
{
    setEditUsableOrEmpty(Edit_dpLen, CkBox_dpLen->isChecked());
}

void TcfgForm::CkBox_dpTmoutClick()
{
    setEditUsableOrEmpty(Edit_dpTmout, CkBox_dpTmout->isChecked());
}

void TcfgForm::CkBox_dpStrClick()
{
    setEditUsableOrEmpty(Edit_dpStr0, CkBox_dpStr->isChecked());
    setEditUsableOrEmpty(Edit_dpStr1, CkBox_dpStr->isChecked());
}

void TcfgForm::ChkBox_tmoutClick()
{
    setEditUsableOrEmpty(Edit_connTmout, ChkBox_tmout->isChecked());
}

void TcfgForm::ChkBox_tmoutCClick()
{
    setEditUsableOrEmpty(Edit_connTmoutC, ChkBox_tmoutC->isChecked());
}

void TcfgForm::ChkBox_tmoutDNSClick()
{
    setEditUsableOrEmpty(Edit_connTmoutDNS, ChkBox_tmoutDNS->isChecked());
}

template <typename Change> void TcfgForm::changeSerialControl(Change change)
{
    try {
        change();
    } catch (const MSCommError& error) {
        showException(this, QString::fromUtf8(error.what()));
    }
}

void TcfgForm::CmbBox_comportChange()
{
    changeSerialControl([this] {
        MSComm1->setCommPort(commPortForItem(CmbBox_comport->currentIndex()));
        comPortNumber_ = MSComm1->CommPort();
        Label53->setText(QString::number(comPortNumber_));
    });
}

void TcfgForm::CmbBox_sBaudChange()
{
    changeSerialControl([this] {
        MSComm1->setSettings(fromSingleByte(serialSettingsForItem(CmbBox_sBaud->currentIndex())));
        comSettingsText_ = MSComm1->Settings().toStdString();
    });
}

void TcfgForm::CmbBox_sFlowCtrlChange()
{
    changeSerialControl([this] {
        const QString flow = CmbBox_sFlowCtrl->currentIndex() >= 0 ? CmbBox_sFlowCtrl->currentText() : QString();
        MSComm1->setHandshaking(handshakingFor(flow.toStdString()));
    });
}

void TcfgForm::Edit2Change()
{
    octetChanged(0);
}
void TcfgForm::Edit3Change()
{
    octetChanged(1);
}
void TcfgForm::Edit4Change()
{
    octetChanged(2);
}
void TcfgForm::Edit5Change()
{
    octetChanged(3);
}

void TcfgForm::octetChanged(int index)
{
    QLineEdit* edit = octetEdits[static_cast<std::size_t>(index)];
    const OctetCheck check = checkOctetText(edit->text().toStdString());
    const QString text = fromSingleByte(check.text);
    if (check.error == 0 && text != edit->text())
        edit->setText(text);
    octetError_[static_cast<std::size_t>(index)] = check.error;
    octetFlagLabels[static_cast<std::size_t>(index)]->setText(QString::number(check.error));
}

}  // namespace quillmar
