// Builds the configuration window's controls: the visible top panel, network
// settings and buttons, and the groups and tabs that are laid out hidden.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "comm/serial_control.h"
#include "comm/udp_endpoint.h"
#include "config/cfg_form.h"
#include "config/config_window_registry.h"
#include "config/form_items.h"
#include "config/several_printers.h"
#include "record/coded_fields.h"
#include "record/printable_text.h"
#include "ui/accessible_names.h"
#include "ui/form_helpers.h"
#include "ui/ip_address_edit.h"
#include "ui/keyboard.h"
#include "ui/logo.h"

namespace quillmar {

namespace {

const QString kCaption = QStringLiteral("Quillmar WI-FI POS Printer Manager v1.11 - Configuration Utility");
constexpr int kClientWidth = 578;
constexpr int kClientHeight = 506;
constexpr int kRowHeight = 22;

QStringList itemsOf(const auto& words)
{
    QStringList items;
    for (const char* word : words)
        items << QString::fromLatin1(word);
    return items;
}

QLabel* addLabel(QWidget* parent, const QString& text, int x, int y, int width, const QString& name = QString())
{
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    label->setGeometry(x, y, width, kRowHeight);
    return label;
}

QLineEdit* addEdit(QWidget* parent, const QString& name, int x, int y, int width)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(x, y, width, kRowHeight);
    return edit;
}

QComboBox* addCombo(QWidget* parent, const QString& name, const QStringList& items, int x, int y, int width)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    box->setGeometry(x, y, width, kRowHeight);
    return box;
}

QComboBox* addChoice(QWidget* parent, const QString& name, const QStringList& items, int x, int y, int width)
{
    QComboBox* box = makeChoiceBox(parent, items);
    box->setObjectName(name);
    box->setGeometry(x, y, width, kRowHeight);
    return box;
}

QCheckBox* addCheck(QWidget* parent, const QString& name, const QString& text, int x, int y, int width)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setGeometry(x, y, width, kRowHeight);
    return box;
}

QPushButton* addButton(QWidget* parent, const QString& name, const QString& text, int x, int y, int width,
                       int height = 26)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(x, y, width, height);
    return button;
}

QWidget* addPanel(QWidget* parent, const QString& name, int x, int y, int width, int height)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setGeometry(x, y, width, height);
    panel->hide();
    return panel;
}

// The grey box laid over a key edit that does not apply.
QLineEdit* addCover(QWidget* parent, const QString& name, const QLineEdit* over)
{
    auto* cover = new QLineEdit(parent);
    cover->setObjectName(name);
    cover->setGeometry(over->geometry());
    setEditUsable(cover, false);
    cover->hide();
    return cover;
}

}  // namespace

TcfgForm::TcfgForm(const ConfigBlock& block, ConfigWindowContext context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      block_(block), context_(std::move(context))
{
    setObjectName(QStringLiteral("cfgForm"));
    setWindowTitle(kCaption);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    setFixedSize(kClientWidth, kClientHeight);
    buildControls();
    nameInputs();
    pressFocusedButtonOnEnter(this);
    connectHandlers();
    placeBesideNewestConfigWindow();
    setNewestConfigWindow(this);
}

TcfgForm::TcfgForm(const std::vector<DeviceEntry>& printers, ConfigWindowContext context, QWidget* parent)
    : TcfgForm(ConfigBlock(sharedRecord(printers)), std::move(context), parent)
{
    printers_ = printers;
}

void TcfgForm::placeBesideNewestConfigWindow()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect place(QPoint(), frameGeometry().size());
    place.moveCenter(area.center());
    const TcfgForm* newest = newestConfigWindow();
    if (newest && newest->isVisible()) {
        // Beside the window opened last, so that neither hides the other: to
        // its right, else to its left, else a step down and to the right.
        const QRect last = newest->frameGeometry();
        const int gap = 8;
        QRect right = place;
        right.moveTopLeft(QPoint(last.right() + 1 + gap, last.top()));
        QRect left = place;
        left.moveTopRight(QPoint(last.left() - 1 - gap, last.top()));
        if (area.contains(right))
            place = right;
        else if (area.contains(left))
            place = left;
        else
            place.moveTopLeft(last.topLeft() + QPoint(32, 32));
    }
    move(place.topLeft());
}

TcfgForm::~TcfgForm() = default;

void TcfgForm::buildControls()
{
    buildInfoPanel();

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(6, 78, 566, 374);
    const auto addPage = [this](const QString& name, const QString& caption) {
        auto* page = new QWidget();
        page->setObjectName(name);
        PageControl1->addTab(page, caption);
        return page;
    };
    TabSheet1 = addPage(QStringLiteral("TabSheet1"), QStringLiteral("Basic Settings"));
    TabSheet2 = addPage(QStringLiteral("TabSheet2"), QStringLiteral("Operation Mode Settings"));
    TabSheet3 = addPage(QStringLiteral("TabSheet3"), QStringLiteral("Access Control Settings"));
    TabSheet_We = addPage(QStringLiteral("TabSheet_We"), QStringLiteral("Web page convert and upload"));
    buildNetworkGroup(TabSheet1);
    buildSerialGroup(TabSheet1);
    buildOperationModeTab(TabSheet2);
    buildAccessControlTab(TabSheet3);
    buildWebPageTab(TabSheet_We);
    // Only the basic settings are offered; the web page tab appears for a module
    // that declares web-page support.
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), false);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet3), false);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet_We), false);
    PageControl1->setCurrentWidget(TabSheet1);

    buildButtons();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    NMUDP2 = new TNMUDP(this);
    NMUDP2->setObjectName(QStringLiteral("NMUDP2"));
    MSComm1 = std::make_unique<MSComm>();
}

void TcfgForm::buildInfoPanel()
{
    infoPanel = new QWidget(this);
    infoPanel->setObjectName(QStringLiteral("infoPanel"));
    infoPanel->setGeometry(0, 0, kClientWidth, 74);

    Image1 = new QLabel(infoPanel);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(quillmarLogo());
    Image1->setGeometry(6, 8, 305, 59);

    addLabel(infoPanel, QStringLiteral("Model Name"), 322, 12, 86, QStringLiteral("Label_modelName"));
    Edit_devName = addEdit(infoPanel, QStringLiteral("Edit_devName"), 410, 12, 160);
    QFont bold = Edit_devName->font();
    bold.setBold(true);
    Edit_devName->setFont(bold);
    limitTyping(Edit_devName, 14);
    Edit_devName->setEnabled(false);

    addLabel(infoPanel, QStringLiteral("Device Name :"), 322, 42, 86, QStringLiteral("Label_deviceName"));
    Edit_SerialNo = addEdit(infoPanel, QStringLiteral("Edit_SerialNo"), 410, 42, 160);

    Edit1 = addEdit(infoPanel, QStringLiteral("Edit1"), 322, 42, 120);
    Edit1->setText(QStringLiteral("Edit1"));
    Edit1->hide();
    CheckBox1 = addCheck(infoPanel, QStringLiteral("CheckBox1"), QStringLiteral("using PING"), 322, 12, 100);
    CheckBox1->hide();
    Label17 = addLabel(infoPanel, QString(), 322, 12, 60, QStringLiteral("Label17"));
    Label17->hide();
    Edit_LanStatus = addEdit(infoPanel, QStringLiteral("Edit_LanStatus"), 322, 12, 80);
    Edit_LanStatus->hide();
    Edit_fmwVer = addEdit(infoPanel, QStringLiteral("Edit_fmwVer"), 322, 42, 80);
    Edit_fmwVer->hide();
}

void TcfgForm::buildNetworkGroup(QWidget* page)
{
    GrpBox_ns = new QGroupBox(QStringLiteral("Network Settings"), page);
    GrpBox_ns->setObjectName(QStringLiteral("GrpBox_ns"));
    GrpBox_ns->setGeometry(8, 8, 544, 292);
    QWidget* g = GrpBox_ns;

    constexpr int leftLabel = 14, leftBox = 118, leftWidth = 146;
    QLabel* ipModeLabel = addLabel(g, QStringLiteral("IP Mode:"), leftLabel, 28, 90);
    CmbBox_ipcfg = addChoice(g, QStringLiteral("CmbBox_ipcfg"), itemsOf(kIpModeItems), leftBox, 28, leftWidth);
    nameByLabel(ipModeLabel, CmbBox_ipcfg);
    // The module address control is made at show time just under the IP mode box.
    Label_ipAddress = addLabel(g, QStringLiteral("IP Address:"), leftLabel, 77, 90, QStringLiteral("Label_ipAddress"));
    Label_ipHint = addLabel(g, QStringLiteral("(255 is not allowed)"), leftBox, 102, leftWidth,
                            QStringLiteral("Label_ipHint"));
    QLabel* tcpLabel = addLabel(g, QStringLiteral("TCP Port: "), leftLabel, 136, 90);
    Edit_listenPort1 = addEdit(g, QStringLiteral("Edit_listenPort1"), leftBox, 136, leftWidth);
    nameByLabel(tcpLabel, Edit_listenPort1);
    Edit_listenPort1->setReadOnly(true);
    QLabel* udpLabel = addLabel(g, QStringLiteral("UDP Port: "), leftLabel, 172, 90);
    Edit_UDPPort = addEdit(g, QStringLiteral("Edit_UDPPort"), leftBox, 172, leftWidth);
    nameByLabel(udpLabel, Edit_UDPPort);
    Edit_UDPPort->setReadOnly(true);
    // Read-only boxes can be clicked into to copy, but Tab passes them by.
    Edit_listenPort1->setFocusPolicy(Qt::ClickFocus);
    Edit_UDPPort->setFocusPolicy(Qt::ClickFocus);
    QLabel* macLabel = addLabel(g, QStringLiteral("MAC address:"), leftLabel, 208, 90);
    Edit_mac = addEdit(g, QStringLiteral("Edit_mac"), leftBox, 208, leftWidth);
    nameByLabel(macLabel, Edit_mac);
    Edit_mac->setEnabled(false);
    Label_windowsize = addLabel(g, QStringLiteral("TCP window size:"), leftLabel, 244, 102,
                                QStringLiteral("Label_windowsize"));
    CmbBox_ws = addCombo(g, QStringLiteral("CmbBox_ws"), itemsOf(kTcpWindowItems), leftBox, 244, leftWidth);
    CmbBox_ws->setCurrentIndex(kLaidOutTcpWindow);
    nameByLabel(Label_windowsize, CmbBox_ws);

    constexpr int rightLabel = 278, rightBox = 366, rightWidth = 166;
    QLabel* wifiLabel = addLabel(g, QStringLiteral("WIFI Mode:"), rightLabel, 28, 86);
    CmbBox_WIFIMode = addChoice(g, QStringLiteral("CmbBox_WIFIMode"), itemsOf(kWifiModeItems), rightBox, 28,
                                rightWidth);
    QLabel* authLabel = addLabel(g, QStringLiteral("Auth Mode:"), rightLabel, 64, 86);
    CmbBox_AuthMode = addChoice(g, QStringLiteral("CmbBox_AuthMode"), itemsOf(kAuthModeItems), rightBox, 64,
                                rightWidth);
    QLabel* encryLabel = addLabel(g, QStringLiteral("Encry Mode:"), rightLabel, 100, 86);
    CmbBox_EncryType = addChoice(g, QStringLiteral("CmbBox_EncryType"), itemsOf(kEncryTypeItems), rightBox, 100,
                                 rightWidth);
    QLabel* ssidLabel = addLabel(g, QStringLiteral("SSID:"), rightLabel, 136, 86);
    Edit_SSID = addEdit(g, QStringLiteral("Edit_SSID"), rightBox, 136, rightWidth);
    QLabel* keyLabel = addLabel(g, QStringLiteral("WEP KEY:"), rightLabel, 172, 86);
    Edit_KEY = addEdit(g, QStringLiteral("Edit_KEY"), rightBox, 172, rightWidth);
    QLabel* wpaLabel = addLabel(g, QStringLiteral("WPAPSK KEY:"), rightLabel, 208, 86);
    Edit_WPAPSK = addEdit(g, QStringLiteral("Edit_WPAPSK"), rightBox, 208, rightWidth);
    nameByLabel(wifiLabel, CmbBox_WIFIMode);
    nameByLabel(authLabel, CmbBox_AuthMode);
    nameByLabel(encryLabel, CmbBox_EncryType);
    nameByLabel(ssidLabel, Edit_SSID);
    nameByLabel(keyLabel, Edit_KEY);
    nameByLabel(wpaLabel, Edit_WPAPSK);
    Edit9 = addCover(g, QStringLiteral("Edit9"), Edit_KEY);
    Edit10 = addCover(g, QStringLiteral("Edit10"), Edit_WPAPSK);
    // The keys are shown only when asked for: a window on a shop's counter
    // is seen by more than the technician.
    Edit_KEY->setEchoMode(QLineEdit::Password);
    Edit_WPAPSK->setEchoMode(QLineEdit::Password);
    showKeysBtn = addButton(g, QStringLiteral("showKeysBtn"), QStringLiteral("Show"), rightBox, 244, 60, kRowHeight);
    showKeysBtn->setCheckable(true);
    showKeysBtn->setToolTip(QStringLiteral("Show the Wi-Fi keys"));

    // Hidden: the four numbers of the module address as shown at open, with
    // their error flags, the refresh button and the save exchange's answer state.
    const std::array<QString, 4> defaults{QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("192"),
                                          QStringLiteral("168")};
    for (int i = 0; i < 4; ++i) {
        QLineEdit* edit = addEdit(g, QStringLiteral("Edit%1").arg(2 + i), rightBox + 42 * i, 248, 30);
        edit->setFrame(false);
        edit->setMaxLength(3);
        edit->setValidator(new QIntValidator(0, 999, edit));
        edit->setText(defaults[static_cast<std::size_t>(i)]);
        edit->setToolTip(i == 0 ? QStringLiteral("please input 0~254") : QStringLiteral("please input 0~255"));
        edit->hide();
        octetEdits[static_cast<std::size_t>(i)] = edit;
        QLabel* flag = addLabel(g, QString(), rightBox + 42 * i, 264, 30, QStringLiteral("Label%1").arg(56 + i));
        flag->hide();
        octetFlagLabels[static_cast<std::size_t>(i)] = flag;
    }
    Edit2 = octetEdits[0];
    Edit3 = octetEdits[1];
    Edit4 = octetEdits[2];
    Edit5 = octetEdits[3];
    std::array<QLineEdit**, 3> dots{&Edit6, &Edit7, &Edit8};
    for (int i = 0; i < 3; ++i) {
        QLineEdit* dot = addEdit(g, QStringLiteral("Edit%1").arg(6 + i), rightBox + 32 + 42 * i, 248, 8);
        dot->setFrame(false);
        dot->setReadOnly(true);
        dot->setText(QStringLiteral("."));
        dot->hide();
        *dots[static_cast<std::size_t>(i)] = dot;
    }
    Edit11 = addEdit(g, QStringLiteral("Edit11"), leftBox, 248, 60);
    Edit11->hide();
    Button1 = addButton(g, QStringLiteral("Button1"), QStringLiteral("ReFresh"), leftBox, 248, 75);
    Button1->hide();
    Label55 = addLabel(g, QString(), leftBox + 80, 248, 30, QStringLiteral("Label55"));
    Label55->hide();

    // Below the group: an expert may save without being shown the changes first.
    ChkBox_preview = addCheck(page, QStringLiteral("ChkBox_preview"),
                              QStringLiteral("Show the changes and ask before saving"), 14, 308, 300);
    ChkBox_preview->setChecked(previewBeforeSave());
    // Off unless asked for: the slip uses the printer's paper.
    ChkBox_slip = addCheck(page, QStringLiteral("ChkBox_slip"), QStringLiteral("Print test slip"), 330, 308, 200);
    // As wide as its text: a click beside it is no click on it.
    ChkBox_slip->resize(ChkBox_slip->sizeHint().width(), ChkBox_slip->height());
    ChkBox_slip->setToolTip(QStringLiteral("After a save is confirmed and read back, the printer prints its new "
                                           "settings at its new address"));
}

void TcfgForm::buildSerialGroup(QWidget* page)
{
    GroupBox1 = new QGroupBox(QStringLiteral("Serial/Data Packing Settings"), page);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 200, 544, 104);
    GroupBox1->hide();
    QWidget* g = GroupBox1;

    QStringList ports;
    for (int i = 1; i <= 9; ++i)
        ports << QStringLiteral("COM%1").arg(i);
    addLabel(g, QStringLiteral("COM Port:"), 8, 18, 60);
    CmbBox_comport = addCombo(g, QStringLiteral("CmbBox_comport"), ports, 70, 18, 70);
    addLabel(g, QStringLiteral("Baud Rate:"), 148, 18, 60);
    CmbBox_sBaud = addCombo(g, QStringLiteral("CmbBox_sBaud"), itemsOf(kSerialBaudItems), 210, 18, 74);
    CmbBox_sBaud->setCurrentIndex(kLaidOutSerialBaud);
    CmbBox_sBaud->setEnabled(false);
    addLabel(g, QStringLiteral("Data Format:"), 292, 18, 70);
    CmbBox_sDataFormat = addCombo(g, QStringLiteral("CmbBox_sDataFormat"), itemsOf(kSerialFormatItems), 364, 18, 60);
    CmbBox_sDataFormat->setCurrentIndex(kLaidOutSerialFormat);
    CmbBox_sDataFormat->setEnabled(false);
    CmbBox_sFlowCtrl = addCombo(g, QStringLiteral("CmbBox_sFlowCtrl"), itemsOf(kSerialFlowItems), 430, 18, 106);
    CmbBox_sFlowCtrl->setEnabled(false);
    CmbBox_sSI = addCombo(g, QStringLiteral("CmbBox_sSI"), itemsOf(kSerialInterfaceItems), 8, 46, 70);
    CmbBox_sSI->setEnabled(false);

    CkBox_dpLen = addCheck(g, QStringLiteral("CkBox_dpLen"), QStringLiteral("Length"), 84, 46, 62);
    Edit_dpLen = addEdit(g, QStringLiteral("Edit_dpLen"), 146, 46, 40);
    limitTyping(Edit_dpLen, 4);
    addLabel(g, QStringLiteral("(1~1024)bytes"), 146, 66, 80);
    CkBox_dpTmout = addCheck(g, QStringLiteral("CkBox_dpTmout"), QStringLiteral("Timeout"), 230, 46, 66);
    Edit_dpTmout = addEdit(g, QStringLiteral("Edit_dpTmout"), 296, 46, 46);
    limitTyping(Edit_dpTmout, 5);
    addLabel(g, QStringLiteral("(1~65535)ms"), 296, 66, 80);
    CkBox_dpStr = addCheck(g, QStringLiteral("CkBox_dpStr"), QStringLiteral("Delimiter"), 350, 46, 72);
    addLabel(g, QStringLiteral("0x"), 424, 46, 14);
    Edit_dpStr0 = addEdit(g, QStringLiteral("Edit_dpStr0"), 438, 46, 26);
    limitTyping(Edit_dpStr0, 2);
    addLabel(g, QStringLiteral("0x"), 468, 46, 14);
    Edit_dpStr1 = addEdit(g, QStringLiteral("Edit_dpStr1"), 482, 46, 26);
    limitTyping(Edit_dpStr1, 2);
    for (QLineEdit* edit : {Edit_dpLen, Edit_dpTmout, Edit_dpStr0, Edit_dpStr1})
        setEditUsable(edit, false);
    COMsaveModuleBtn = addButton(g, QStringLiteral("COMsaveModuleBtn"), QStringLiteral("Save to Module by COM Port"),
                                 360, 74, 176);
}

void TcfgForm::buildOperationModeTab(QWidget* page)
{
    addLabel(page, QStringLiteral("Operation Mode:"), 12, 12, 96);
    CmbBox_opmode = addCombo(page, QStringLiteral("CmbBox_opmode"),
                             {QStringLiteral("TCP Server"), QStringLiteral("TCP Client"), QStringLiteral("UDP")}, 110,
                             12, 150);

    Panel_tcps = addPanel(page, QStringLiteral("Panel_tcps"), 8, 44, 544, 170);
    addLabel(Panel_tcps, QStringLiteral("Listen Port:"), 8, 8, 86);
    Edit_listenPort = addEdit(Panel_tcps, QStringLiteral("Edit_listenPort"), 96, 8, 100);
    ChkBox_tmout = addCheck(Panel_tcps, QStringLiteral("ChkBox_tmout"), QStringLiteral("Connection timeout:"), 8, 40,
                            140);
    Edit_connTmout = addEdit(Panel_tcps, QStringLiteral("Edit_connTmout"), 150, 40, 70);
    addLabel(Panel_tcps, QStringLiteral("(1~65535 ms)"), 226, 40, 90);

    // The remote address control is made at show time at (96, 8).
    Panel_tcpc = addPanel(page, QStringLiteral("Panel_tcpc"), 8, 44, 544, 170);
    addLabel(Panel_tcpc, QStringLiteral("Remote IP:"), 8, 8, 86);
    addLabel(Panel_tcpc, QStringLiteral("Remote Port:"), 8, 40, 86);
    Edit_clientPort = addEdit(Panel_tcpc, QStringLiteral("Edit_clientPort"), 96, 40, 100);
    addLabel(Panel_tcpc, QStringLiteral("Connect at:"), 8, 72, 86);
    CmbBox_connAt = addCombo(Panel_tcpc, QStringLiteral("CmbBox_connAt"),
                             {QStringLiteral("Startup"), QStringLiteral("Serial data in")}, 96, 72, 150);
    ChkBox_tmoutC = addCheck(Panel_tcpc, QStringLiteral("ChkBox_tmoutC"), QStringLiteral("Connection timeout:"), 8, 104,
                             140);
    Edit_connTmoutC = addEdit(Panel_tcpc, QStringLiteral("Edit_connTmoutC"), 150, 104, 70);

    Panel_udp = addPanel(page, QStringLiteral("Panel_udp"), 8, 44, 544, 170);
    addLabel(Panel_udp, QStringLiteral("Remote Port:"), 8, 8, 86);
    Edit_udpRport = addEdit(Panel_udp, QStringLiteral("Edit_udpRport"), 96, 8, 100);
    addLabel(Panel_udp, QStringLiteral("Local Port:"), 8, 40, 86);
    Edit_udpLport = addEdit(Panel_udp, QStringLiteral("Edit_udpLport"), 96, 40, 100);

    Panel_tcpcDNS = addPanel(page, QStringLiteral("Panel_tcpcDNS"), 8, 44, 544, 170);
    addLabel(Panel_tcpcDNS, QStringLiteral("Remote Host:"), 8, 8, 86);
    Edit_tcpcHost = addEdit(Panel_tcpcDNS, QStringLiteral("Edit_tcpcHost"), 96, 8, 200);
    limitTyping(Edit_tcpcHost, 25);
    addLabel(Panel_tcpcDNS, QStringLiteral("Remote Port:"), 8, 40, 86);
    Edit_clientPortDNS = addEdit(Panel_tcpcDNS, QStringLiteral("Edit_clientPortDNS"), 96, 40, 100);
    addLabel(Panel_tcpcDNS, QStringLiteral("Connect at:"), 8, 72, 86);
    CmbBox_connAtDNS = addCombo(Panel_tcpcDNS, QStringLiteral("CmbBox_connAtDNS"),
                                {QStringLiteral("Startup"), QStringLiteral("Serial data in")}, 96, 72, 150);
    ChkBox_tmoutDNS = addCheck(Panel_tcpcDNS, QStringLiteral("ChkBox_tmoutDNS"), QStringLiteral("Connection timeout:"),
                               8, 104, 140);
    Edit_connTmoutDNS = addEdit(Panel_tcpcDNS, QStringLiteral("Edit_connTmoutDNS"), 150, 104, 70);
    addLabel(Panel_tcpcDNS, QStringLiteral("IP report:"), 8, 136, 86);
    Edit_ipReport = addEdit(Panel_tcpcDNS, QStringLiteral("Edit_ipReport"), 96, 136, 150);

    GrpBox_DNS = new QGroupBox(QStringLiteral("DNS"), page);
    GrpBox_DNS->setObjectName(QStringLiteral("GrpBox_DNS"));
    GrpBox_DNS->setGeometry(8, 220, 544, 56);
    ChkBox_DNSen = addCheck(GrpBox_DNS, QStringLiteral("ChkBox_DNSen"), QStringLiteral("DNS Enable"), 12, 24, 120);
    GrpBox_DNS->hide();
}

void TcfgForm::buildAccessControlTab(QWidget* page)
{
    GroupBox2 = new QGroupBox(QStringLiteral("Password Settings"), page);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 8, 544, 132);
    const auto addPassword = [this](const QString& name, const QString& caption, int y) {
        addLabel(GroupBox2, caption, 12, y, 110);
        QLineEdit* edit = addEdit(GroupBox2, name, 126, y, 120);
        edit->setMaxLength(8);
        edit->setEchoMode(QLineEdit::Password);
        return edit;
    };
    Edit_oldPasswd = addPassword(QStringLiteral("Edit_oldPasswd"), QStringLiteral("Old Password:"), 24);
    Edit_newPasswd = addPassword(QStringLiteral("Edit_newPasswd"), QStringLiteral("New Password:"), 56);
    Edit_retryPasswd = addPassword(QStringLiteral("Edit_retryPasswd"), QStringLiteral("Retype Password:"), 88);
    passwdAcceptBtn = addButton(GroupBox2, QStringLiteral("passwdAcceptBtn"), QStringLiteral("Accept"), 280, 54, 80);
    passwdAbortBtn = addButton(GroupBox2, QStringLiteral("passwdAbortBtn"), QStringLiteral("Abort"), 370, 54, 80);

    GrpBox_ipFilter = new QGroupBox(QStringLiteral("IP Filtering"), page);
    GrpBox_ipFilter->setObjectName(QStringLiteral("GrpBox_ipFilter"));
    GrpBox_ipFilter->setGeometry(8, 148, 544, 116);
    ChkBox_IPFen = addCheck(GrpBox_ipFilter, QStringLiteral("ChkBox_IPFen"), QStringLiteral("Enable IP Filtering"), 12,
                            22, 160);
    // The range controls are made at show time beside these labels.
    Label_startIp = addLabel(GrpBox_ipFilter, QStringLiteral("Start IP:"), 12, 54, 60, QStringLiteral("Label_startIp"));
    Label_endIp = addLabel(GrpBox_ipFilter, QStringLiteral("End IP:"), 12, 84, 60, QStringLiteral("Label_endIp"));
}

void TcfgForm::buildWebPageTab(QWidget* page)
{
    auto* convertGroup = new QGroupBox(QStringLiteral("Convert web files to binary"), page);
    convertGroup->setObjectName(QStringLiteral("GrpBox_convert"));
    convertGroup->setGeometry(8, 8, 544, 122);
    Label40 = addLabel(convertGroup, QStringLiteral("source directory:"), 12, 26, 112, QStringLiteral("Label40"));
    Edit_srcDir = addEdit(convertGroup, QStringLiteral("Edit_srcDir"), 126, 26, 306);
    srcDir_Btn = addButton(convertGroup, QStringLiteral("srcDir_Btn"), QStringLiteral("Browse..."), 440, 24, 92);
    Label41 = addLabel(convertGroup, QStringLiteral("output binary file"), 12, 58, 112, QStringLiteral("Label41"));
    Edit_outFile = addEdit(convertGroup, QStringLiteral("Edit_outFile"), 126, 58, 306);
    outDir_Btn = addButton(convertGroup, QStringLiteral("outDir_Btn"), QStringLiteral("Browse..."), 440, 56, 92);
    convertBtn = addButton(convertGroup, QStringLiteral("convertBtn"), QStringLiteral("Convert"), 440, 88, 92);

    auto* uploadGroup = new QGroupBox(QStringLiteral("Upload binary file to device"), page);
    uploadGroup->setObjectName(QStringLiteral("GrpBox_upload"));
    uploadGroup->setGeometry(8, 140, 544, 90);
    Label42 = addLabel(uploadGroup, QStringLiteral("select binary file:"), 12, 26, 112, QStringLiteral("Label42"));
    Edit_bin = addEdit(uploadGroup, QStringLiteral("Edit_bin"), 126, 26, 306);
    bin_Btn = addButton(uploadGroup, QStringLiteral("bin_Btn"), QStringLiteral("Browse..."), 440, 24, 92);
    uploadBtn = addButton(uploadGroup, QStringLiteral("uploadBtn"), QStringLiteral("Upload"), 440, 56, 92);
}

void TcfgForm::orderTabStops()
{
    // Qt orders only widgets that take focus; those that may not later
    // (a covered key box, a lone tab) take it again until the order is set.
    PageControl1->tabBar()->setFocusPolicy(Qt::TabFocus);
    Edit_KEY->setFocusPolicy(Qt::StrongFocus);
    Edit_WPAPSK->setFocusPolicy(Qt::StrongFocus);
    QWidget* const order[] = {Edit_SerialNo,    PageControl1, CmbBox_ipcfg,  moduleAddress_,  Edit_listenPort1,
                              Edit_UDPPort,     Edit_mac,     CmbBox_ws,     CmbBox_WIFIMode, CmbBox_AuthMode,
                              CmbBox_EncryType, Edit_SSID,    Edit_KEY,      Edit_WPAPSK,     showKeysBtn,
                              Edit_srcDir,      srcDir_Btn,   Edit_outFile,  outDir_Btn,      convertBtn,
                              Edit_bin,         bin_Btn,      uploadBtn,     ChkBox_preview,  ChkBox_slip,
                              importBtn,        exportBtn,    saveModuleBtn, abortBtn};
    QWidget* previous = nullptr;
    for (QWidget* next : order) {
        if (!next)
            continue;  // an address control that could not be made
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }
    // With the basic settings alone there is no other tab to go to.
    const bool otherTabs = PageControl1->isTabVisible(PageControl1->indexOf(TabSheet_We));
    PageControl1->tabBar()->setFocusPolicy(otherTabs ? Qt::TabFocus : Qt::NoFocus);
}

void TcfgForm::nameInputs()
{
    nameByLabel(findChild<QLabel*>(QStringLiteral("Label_modelName")), Edit_devName);
    nameByLabel(findChild<QLabel*>(QStringLiteral("Label_deviceName")), Edit_SerialNo);
    nameByLabel(Label40, Edit_srcDir);
    nameByLabel(Label41, Edit_outFile);
    nameByLabel(Label42, Edit_bin);
    nameInput(Edit9, QStringLiteral("WEP KEY, not used with this encryption"));
    nameInput(Edit10, QStringLiteral("WPAPSK KEY, not used with this encryption"));
    nameInput(showKeysBtn, QStringLiteral("Show the Wi-Fi keys"));
    nameInput(Label53, QStringLiteral("Save status"));
    nameInput(Label_verify, QStringLiteral("Read-back status"));
}

void TcfgForm::showDeviceInTitle(const std::string& address)
{
    if (severalPrinters()) {
        setWindowTitle(kCaption + QStringLiteral(" - %1 printers").arg(printers_.size()));
        return;
    }
    const std::string name = block_.text(DeviceField::DeviceName);
    QString device = QString::fromLatin1(printableText(address));
    if (!name.empty())
        device = QString::fromLatin1(printableText(name)) + QStringLiteral(" (") + device + u')';
    setWindowTitle(kCaption + QStringLiteral(" \u2014 ") + device);
}

void TcfgForm::buildButtons()
{
    Label53 = addLabel(this, QString(), 12, 464, 270, QStringLiteral("Label53"));
    QFont bold = Label53->font();
    bold.setBold(true);
    Label53->setFont(bold);
    // The status line is drawn in the palette's link colour, which a dark
    // theme keeps readable where a fixed blue would vanish.
    Label53->setForegroundRole(QPalette::Link);
    Label_verify = addLabel(this, QString(), 12, 486, 470, QStringLiteral("Label_verify"));
    Label_verify->setGeometry(12, 486, 470, 18);
    Label_verify->setWordWrap(false);

    importBtn = addButton(this, QStringLiteral("importBtn"), QStringLiteral("Import..."), 196, 460, 88, 30);
    importBtn->hide();
    exportBtn = addButton(this, QStringLiteral("exportBtn"), QStringLiteral("Export..."), 290, 460, 88, 30);
    saveModuleBtn = addButton(this, QStringLiteral("saveModuleBtn"), QStringLiteral("Save to Module"), 384, 460, 104,
                              30);
    abortBtn = addButton(this, QStringLiteral("abortBtn"), QStringLiteral("Abort"), 494, 460, 76, 30);
}

}  // namespace quillmar
