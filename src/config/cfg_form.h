#pragma once
// The configuration window of one printer module. It fills its controls from its
// ConfigBlock when shown and keeps the dependent choices consistent while the
// user edits. Controls carry the object names validation, the save exchange and
// the configuration files use; many of them are laid out hidden.
#include <QPointer>
#include <QWidget>
#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "config/config_form_values.h"
#include "config/config_port.h"
#include "config/config_window_context.h"
#include "config/save_exchange.h"
#include "config/save_result_form.h"
#include "record/config_block.h"
#include "write/field_change.h"
#include "write/fleet_save.h"
#include "write/previewed_save.h"
#include "write/readback.h"
#include "write/write_guard.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;

namespace quillmar {

class IpAddressEdit;
class MSComm;
class TNMUDP;
class TupgradePrgForm;

class TcfgForm : public QWidget {
    Q_OBJECT
public:
    // `block` is the zero-filled 536 bytes holding the device's record. The new
    // window becomes the newest configuration window.
    TcfgForm(const ConfigBlock& block, ConfigWindowContext context, QWidget* parent = nullptr);
    // The several-printers mode: the same window over what `printers` (each
    // as the device list holds it, its address where it answered) share; its
    // saves go to all of them in one save time.
    TcfgForm(const std::vector<DeviceEntry>& printers, ConfigWindowContext context, QWidget* parent = nullptr);
    ~TcfgForm() override;

    bool severalPrinters() const { return printers_.size() > 1; }
    const std::vector<DeviceEntry>& printers() const { return printers_; }

    ConfigBlock& configBlock() { return block_; }
    const ConfigBlock& configBlock() const { return block_; }
    const ConfigWindowContext& context() const { return context_; }

    // The device as it was when the window was shown.
    const std::string& openedIpAddress() const { return openedIp_; }
    const std::string& openedMacAddress() const { return openedMac_; }
    const std::string& openedKey() const { return openedKey_; }

    // The address controls made at show time (null before the showing and after
    // the closing): the module, the TCP client's remote end, the filter range.
    IpAddressEdit* moduleAddressControl() const { return moduleAddress_; }
    IpAddressEdit* clientRemoteAddressControl() const { return clientRemoteAddress_; }
    IpAddressEdit* filterStartControl() const { return filterStart_; }
    IpAddressEdit* filterEndControl() const { return filterEnd_; }

    // The text shown in a choice box (it may be one its list lacks).
    static QString boxText(const QComboBox* box);

    // What the controls hold now, as validation and the save record read them.
    ConfigFormValues formValues() const;
    // The window's own save exchange (its destination, tick counter, probe flag
    // and Timer1).
    SaveExchange& saveExchange() { return *saveExchange_; }
    // Where this window's saves and reads go.
    QString targetIpText() const { return saveExchange_->targetAddress(); }
    // One flag per octet field (Edit2..Edit5); 1 means the field is empty.
    const std::array<int, 4>& octetError() const { return octetError_; }
    // The serial port and settings of this window's save by COM port.
    int comPortNumber() const { return comPortNumber_; }
    const std::string& comSettingsText() const { return comSettingsText_; }

    // After a confirmed save of `written`: the boxes show what was written,
    // the octet fields and the destination follow the module to the address it
    // was given, and the next save sets only what is changed from here on.
    void showWrittenRecord(const DeviceEntry& written);
    // The fields whose boxes the user changed since the window showed its
    // printer (or since its last confirmed save): what a save sets.
    std::vector<FieldChange> changedFields() const;
    // The printer this window's saves are for: its MAC as shown, or as the
    // last confirmed save wrote it.
    const std::string& chosenMacAddress() const { return chosenMac_; }
    // The address guard of this window's saves: the PC's own addresses and
    // the printers the main window lists.
    WriteGuard writeGuard() const;

    // Whether "Save to Module" shows the changes it plans and asks before
    // anything is written (ChkBox_preview); one setting for every window of
    // the run.
    static bool previewBeforeSave();
    static void setPreviewBeforeSave(bool preview);
    // How long a saved printer is waited for to answer again (tests shorten it).
    void setReadbackTiming(const ReadbackTiming& timing) { readbackTiming_ = timing; }
    // The shared tick and read wait of the several-printers save (tests shorten them).
    void setFleetTiming(const FleetTiming& timing) { fleetTiming_ = timing; }
    // The table of the last several-printers save (null before one).
    TsaveResultForm* resultForm() const { return resultForm_; }

    // Validation before an export or a save by COM port: 0 when every rule
    // passed and the block holds the checked values, -1 after showing why not.
    int checkBeforeSave();
    // The export writer and the key-file reader of the configuration files.
    int exportData(const QString& fileName);
    int importData(const QString& fileName);

public slots:
    void FormShow();
    void FormClose();
    void abortBtnClick();
    void CmbBox_ipcfgChange();
    void CmbBox_ipcfgDblClick();
    void CmbBox_AuthModeChange();
    void CmbBox_EncryTypeChange();
    void CmbBox_opmodeChange();
    void ChkBox_DNSenClick();
    void ChkBox_IPFenClick();
    void CkBox_dpLenClick();
    void CkBox_dpTmoutClick();
    void CkBox_dpStrClick();
    void ChkBox_tmoutClick();
    void ChkBox_tmoutCClick();
    void ChkBox_tmoutDNSClick();
    void CmbBox_comportChange();
    void CmbBox_sBaudChange();
    void CmbBox_sFlowCtrlChange();
    void Edit2Change();
    void Edit3Change();
    void Edit4Change();
    void Edit5Change();
    void saveModuleBtnClick();
    void Button1Click();
    // Timer1's tick: one step of the save exchange (the exchange is wired to
    // Timer1 itself; this is the same step by the window's handler name).
    void Timer1Timer();
    // A datagram on the program's configuration port (config/config_port.h),
    // which every window hears: the save exchange keeps its own module's.
    void NMUDP1DataReceived(const QByteArray& datagram, const QString& FromIP);
    void NMUDP2DataReceived(int NumberBytes, const QString& FromIP, int Port);
    void COMsaveModuleBtnClick();
    void exportBtnClick();
    void importBtnClick();
    // The web page tab (cfg_form_web.cpp).
    void srcDir_BtnClick();
    void outDir_BtnClick();
    void convertBtnClick();
    void bin_BtnClick();
    void uploadBtnClick();
    // "Show": the Wi-Fi keys in clear while checked.
    void showKeysBtnClick(bool shown);
    void ChkBox_previewClick(bool preview);
    void Image1Click() {}
    void passwdAcceptBtnClick() {}
    void passwdAbortBtnClick() {}

    // The serial control as the COM save will open it: port, settings, state.
    const MSComm& serialControl() const { return *MSComm1; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the window as its close box does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The window's own adapters for the save exchange and key file imports.
    friend class FormSaveHost;
    friend class FormImportTarget;

    // The controls; tests and other windows find them by object name.

    // Top panel.
    QWidget* infoPanel = nullptr;
    QLabel* Image1 = nullptr;
    QLineEdit* Edit_devName = nullptr;
    QLineEdit* Edit_SerialNo = nullptr;
    QLineEdit* Edit1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Label17 = nullptr;
    QLineEdit* Edit_LanStatus = nullptr;
    QLineEdit* Edit_fmwVer = nullptr;

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet_We = nullptr;

    // "Network Settings".
    QGroupBox* GrpBox_ns = nullptr;
    QComboBox* CmbBox_ipcfg = nullptr;
    QLabel* Label_ipAddress = nullptr;
    QLabel* Label_ipHint = nullptr;
    QLineEdit* Edit_listenPort1 = nullptr;
    QLineEdit* Edit_UDPPort = nullptr;
    QComboBox* CmbBox_WIFIMode = nullptr;
    QLineEdit* Edit_mac = nullptr;
    QLineEdit* Edit_SSID = nullptr;
    QLineEdit* Edit_KEY = nullptr;
    QLineEdit* Edit_WPAPSK = nullptr;
    QComboBox* CmbBox_AuthMode = nullptr;
    QComboBox* CmbBox_EncryType = nullptr;
    QLineEdit* Edit9 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLabel* Label_windowsize = nullptr;
    QComboBox* CmbBox_ws = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label55 = nullptr;
    std::array<QLineEdit*, 4> octetEdits{};  // Edit2..Edit5
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLineEdit* Edit8 = nullptr;
    std::array<QLabel*, 4> octetFlagLabels{};  // Label56..Label59
    QLineEdit* Edit11 = nullptr;

    // "Serial/Data Packing Settings" (hidden).
    QGroupBox* GroupBox1 = nullptr;
    QComboBox* CmbBox_comport = nullptr;
    QComboBox* CmbBox_sBaud = nullptr;
    QComboBox* CmbBox_sDataFormat = nullptr;
    QComboBox* CmbBox_sFlowCtrl = nullptr;
    QComboBox* CmbBox_sSI = nullptr;
    QPushButton* COMsaveModuleBtn = nullptr;
    QCheckBox* CkBox_dpLen = nullptr;
    QCheckBox* CkBox_dpTmout = nullptr;
    QCheckBox* CkBox_dpStr = nullptr;
    QLineEdit* Edit_dpLen = nullptr;
    QLineEdit* Edit_dpTmout = nullptr;
    QLineEdit* Edit_dpStr0 = nullptr;
    QLineEdit* Edit_dpStr1 = nullptr;

    // "Operation Mode Settings" (hidden tab).
    QComboBox* CmbBox_opmode = nullptr;
    QWidget* Panel_tcps = nullptr;
    QLineEdit* Edit_listenPort = nullptr;
    QCheckBox* ChkBox_tmout = nullptr;
    QLineEdit* Edit_connTmout = nullptr;
    QWidget* Panel_tcpc = nullptr;
    QLineEdit* Edit_clientPort = nullptr;
    QComboBox* CmbBox_connAt = nullptr;
    QCheckBox* ChkBox_tmoutC = nullptr;
    QLineEdit* Edit_connTmoutC = nullptr;
    QWidget* Panel_udp = nullptr;
    QLineEdit* Edit_udpRport = nullptr;
    QLineEdit* Edit_udpLport = nullptr;
    QWidget* Panel_tcpcDNS = nullptr;
    QLineEdit* Edit_tcpcHost = nullptr;
    QLineEdit* Edit_clientPortDNS = nullptr;
    QComboBox* CmbBox_connAtDNS = nullptr;
    QCheckBox* ChkBox_tmoutDNS = nullptr;
    QLineEdit* Edit_connTmoutDNS = nullptr;
    QLineEdit* Edit_ipReport = nullptr;
    QGroupBox* GrpBox_DNS = nullptr;
    QCheckBox* ChkBox_DNSen = nullptr;

    // "Access Control Settings" (hidden tab).
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* Edit_oldPasswd = nullptr;
    QLineEdit* Edit_newPasswd = nullptr;
    QLineEdit* Edit_retryPasswd = nullptr;
    QPushButton* passwdAcceptBtn = nullptr;
    QPushButton* passwdAbortBtn = nullptr;
    QGroupBox* GrpBox_ipFilter = nullptr;
    QCheckBox* ChkBox_IPFen = nullptr;
    QLabel* Label_startIp = nullptr;
    QLabel* Label_endIp = nullptr;

    // "Web page convert and upload".
    QLabel* Label40 = nullptr;
    QLineEdit* Edit_srcDir = nullptr;
    QPushButton* srcDir_Btn = nullptr;
    QLabel* Label41 = nullptr;
    QLineEdit* Edit_outFile = nullptr;
    QPushButton* outDir_Btn = nullptr;
    QPushButton* convertBtn = nullptr;
    QLabel* Label42 = nullptr;
    QLineEdit* Edit_bin = nullptr;
    QPushButton* bin_Btn = nullptr;
    QPushButton* uploadBtn = nullptr;

    // Bottom.
    QLabel* Label53 = nullptr;
    // What the read-back after a confirmed save found.
    QLabel* Label_verify = nullptr;
    QCheckBox* ChkBox_preview = nullptr;
    QCheckBox* ChkBox_slip = nullptr;
    QPushButton* showKeysBtn = nullptr;
    QPushButton* importBtn = nullptr;
    QPushButton* exportBtn = nullptr;
    QPushButton* saveModuleBtn = nullptr;
    QPushButton* abortBtn = nullptr;

    // Used by the save exchange: the second UDP endpoint (remote and local port
    // 0 as laid out), its one-second timer (stopped) and the serial control.
    // Reads and saves go through the program's one configuration port.
    TNMUDP* NMUDP2 = nullptr;
    QTimer* Timer1 = nullptr;
    std::unique_ptr<MSComm> MSComm1;

    void buildControls();
    void buildInfoPanel();
    void buildNetworkGroup(QWidget* page);
    void buildSerialGroup(QWidget* page);
    void buildOperationModeTab(QWidget* page);
    void buildAccessControlTab(QWidget* page);
    void buildWebPageTab(QWidget* page);
    void buildButtons();
    // Every input is named by its label, and the label is its buddy, so that
    // a screen reader reads each box by what it is.
    void nameInputs();
    // A new window opens beside the one opened last, not on top of it.
    void placeBesideNewestConfigWindow();
    void connectHandlers();
    void connectSaveHandlers();
    void connectFileHandlers();
    void connectWebHandlers();
    // Tab follows the layout: the top panel, the left column, the right
    // column, the web page tab, the buttons. The address control, made at
    // show time, comes after the IP mode box.
    void orderTabStops();
    // The title names the printer: its device name and the address the
    // window's saves and reads go to.
    void showDeviceInTitle(const std::string& address);
    // A web image worker behind the progress window; its code, or 1 when the
    // window closed first.
    int runWebWorker(MaintenanceThread* worker, const std::shared_ptr<std::atomic<int>>& status);

    // Ends a save under way (the window closes): no verdict will come.
    void stopSave();
    // After "Save to Module OK": the printer is asked again, at its address
    // (STATIC) or by its MAC (DHCP), and the window says what it found.
    void readBackWritten(const DeviceEntry& written);
    void showReadback(const ModuleVerdict& verdict);
    // With "Print test slip" ticked, each proven printer of `verdicts` prints
    // its slip; the printing waits for the printer away from this thread.
    void printSlips(const std::vector<ModuleVerdict>& verdicts);
    void slipPrinted(const QString& printer, const QString& outcome);
    // The several-printers mode.
    void applySeveralMode();
    void saveSeveral();
    void severalPreviewed();
    void severalSaved();
    void severalReadBack();
    void saveUsableAgain();
    void fillControls();
    void createAddressControls();
    void destroyAddressControls();
    void fillSerialGroup(const ConfigFormValues& values);
    void fillDataPacking(const ConfigFormValues& values);
    // The octet fields and the module address control; the destination of
    // saves and reads follows the block's address.
    void fillAddress(const ConfigFormValues& values);
    void showModuleAddress(const std::string& ipAddressText);
    // The record's texts in the boxes, as an answer to a read shows them: the
    // address excepted, the WPA key only when not empty; no dependent rule runs.
    void showRecordTexts(const DeviceEntry& record);
    void fillRecordTexts(const ConfigFormValues& values);
    void fillOperationMode();
    void fillIpFilter();
    void rebuildAuthList();
    void rebuildEncryList();
    void coverKeyBox();
    void octetChanged(int index);
    void log(const QString& line) const;
    // A save refused before anything is sent: the log's line and the window's message.
    void refuseSave(const QString& message);
    // What cannot go into the record, or a port another program holds, is
    // refused (refuseSave) before anything is sent; true when it was. A
    // choice in `changes` may be rewritten to its item, as the rules do.
    bool refusedBeforeSending(std::vector<FieldChange>& changes);
    // Runs a serial-control change; a failure is shown in the exception box.
    template <typename Change> void changeSerialControl(Change change);

    ConfigBlock block_;
    ConfigWindowContext context_;
    std::string openedIp_;
    std::string openedMac_;
    std::string openedKey_;
    std::string chosenMac_;
    // What the boxes showed when the window filled them (or after the last
    // confirmed save): a save sets only the fields changed since.
    ConfigFormValues shownValues_;
    // Set while the window holds its device on the open-device list.
    bool holdsDevice_ = false;
    std::array<int, 4> octetError_{};
    int comPortNumber_ = 1;
    std::string comSettingsText_;

    IpAddressEdit* moduleAddress_ = nullptr;
    IpAddressEdit* clientRemoteAddress_ = nullptr;
    IpAddressEdit* filterStart_ = nullptr;
    IpAddressEdit* filterEnd_ = nullptr;

    // The web image build's and upload's status cells, one per run, and the
    // progress window used when the opener lends none.
    std::shared_ptr<std::atomic<int>> convertStatus_;
    std::shared_ptr<std::atomic<int>> uploadStatus_;
    TupgradePrgForm* webProgress_ = nullptr;

    // The exchange refers to its host, so it is declared (and destroyed) after it.
    std::unique_ptr<SaveExchangeHost> saveHost_;
    std::unique_ptr<SaveExchange> saveExchange_;
    // Hears the configuration port while the window is shown.
    ConfigPort::Subscription configPort_;

    // The several-printers mode: the printers, the save under way and its table.
    std::vector<DeviceEntry> printers_;
    std::vector<FieldChange> severalChanges_;
    int severalGoing_ = 0;  // printers being saved
    int severalDone_ = 0;   // of them, with their verdict
    std::unique_ptr<PreviewedSave> severalSave_;
    QPointer<TsaveResultForm> resultForm_;
    FleetTiming fleetTiming_;
    // The read-back after a confirmed save of this window.
    std::unique_ptr<ReadbackRun> readback_;
    ReadbackTiming readbackTiming_;
};

}  // namespace quillmar
