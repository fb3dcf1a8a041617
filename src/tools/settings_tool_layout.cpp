// Builds the settings tools' controls: the port and rate rows, the two buttons
// and the four radio groups on the left, the captioned boxes of the record in
// GroupBox1 on the right, and the controls that are laid out hidden.
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "comm/serial_control.h"
#include "comm/udp_endpoint.h"
#include "platform/com_port_map.h"
#include "platform/program_launcher.h"
#include "record/coded_fields.h"
#include "tools/settings_tool_form.h"
#include "tools/settings_tool_rules.h"
#include "ui/accessible_names.h"
#include "ui/form_helpers.h"
#include "ui/ip_address_edit.h"
#include "ui/keyboard.h"
#include "ui/path_choice_box.h"
#include "ui/radio_group.h"

namespace quillmar {
namespace {

constexpr int kClientWidth = 684;
constexpr int kRowHeight = 22;
constexpr int kRowPitch = 24;
constexpr int kBoxRows = 13;
constexpr int kAddressRow = 3;
constexpr int kGroupLeft = 372;
constexpr int kGroupTop = 8;
constexpr int kGroupWidth = 304;
constexpr int kCaptionLeft = 262;
constexpr int kCaptionWidth = 104;
// Where the hidden controls are laid out, below the visible ones.
constexpr int kHiddenTop = 400;

QStringList itemsOf(const auto& words)
{
    QStringList items;
    for (const char* word : words)
        items << QString::fromLatin1(word);
    return items;
}

QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, QRect place)
{
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    label->setGeometry(place);
    return label;
}

QLineEdit* addEdit(QWidget* parent, const QString& name, QRect place)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(place);
    return edit;
}

QComboBox* addCombo(QWidget* parent, const QString& name, const QStringList& items, QRect place)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    box->setGeometry(place);
    return box;
}

QPushButton* addButton(QWidget* parent, const QString& name, const QString& text, QRect place)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    return button;
}

RadioGroup* addRadioGroup(QWidget* parent, const QString& name, const QString& title, const QStringList& items,
                          int selected, int columns, QRect place)
{
    auto* group = new RadioGroup(title, parent, columns);
    group->setObjectName(name);
    group->setItems(items);
    group->setItemIndex(selected);
    group->setGeometry(place);
    return group;
}

// The grey box laid exactly over a key box that does not apply.
QLineEdit* addMask(QWidget* parent, const QString& name, const QLineEdit* over)
{
    QLineEdit* mask = addEdit(parent, name, over->geometry());
    setEditUsable(mask, false);
    mask->hide();
    return mask;
}

}  // namespace

SettingsToolForm::SettingsToolForm(SettingsToolContext context, const QString& title, QPoint boxOrigin)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                           | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      context_(std::move(context)), boxOrigin_(boxOrigin), udpGetHost_(QStringLiteral("192.168.192.168"))
{
    setWindowTitle(title);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    MSComm1 = std::make_unique<MSComm>();
    buildControls();
    pressFocusedButtonOnEnter(this);
    connectHandlers();
    setFixedSize(kClientWidth, std::max(GroupBox1->geometry().bottom(), RadioGroup2->geometry().bottom()) + 12);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void SettingsToolForm::buildControls()
{
    buildChoices();
    buildBoxes();
    buildHiddenControls();
    fillComPortChoices(kDefaultToolComPort);
}

void SettingsToolForm::fillComPortChoices(int port)
{
    for (QComboBox* box : {ComBox_com, ComboBox1}) {
        box->clear();
        for (const int number : comPortsPresentFirst(kToolComPortCount))
            box->addItem(comPortLabel(number), number);
        box->setCurrentIndex(box->findData(port));
    }
}

int SettingsToolForm::comPortOfChoice(const QComboBox* box)
{
    bool number = false;
    const int port = box->currentData().toInt(&number);
    return number && port >= 1 ? port : kDefaultToolComPort;
}

void SettingsToolForm::orderTabStops()
{
    QList<QWidget*> order{ComBox_com, ComBox_baud, Button5, Button2};
    for (const RadioGroup* group : {RadioGroup3, RadioGroup4, RadioGroup1, RadioGroup2}) {
        for (int i = 0; i < group->items().size(); ++i)
            order << group->button(i);
    }
    order << Edit1 << Edit2 << Edit7 << addressBox_ << Edit5 << Edit6 << Edit8 << Edit3 << Edit9 << Edit10 << Edit13
          << Edit11 << Edit12;
    // Qt orders only widgets that take focus: the masked boxes take it again
    // until the order is set.
    const bool wepMasked = Edit16->isVisibleTo(this);
    const bool wpaMasked = Edit17->isVisibleTo(this);
    setMasks(false, false);
    QWidget* previous = nullptr;
    for (QWidget* next : order) {
        if (!next)
            continue;
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }
    setMasks(wepMasked, wpaMasked);
}

void SettingsToolForm::setMasks(bool coverWepKey, bool coverWpaKey)
{
    Edit16->setVisible(coverWepKey);
    Edit17->setVisible(coverWpaKey);
    Edit10->setFocusPolicy(coverWepKey ? Qt::NoFocus : Qt::StrongFocus);
    Edit13->setFocusPolicy(coverWpaKey ? Qt::NoFocus : Qt::StrongFocus);
}

void SettingsToolForm::buildChoices()
{
    Label52 = addLabel(this, QStringLiteral("Label52"), QStringLiteral("COM port:"), {8, 12, 80, kRowHeight});
    // Wide enough for "COM9 — /dev/ttyUSB0"; a longer path is never cut off.
    ComBox_com = new PathChoiceBox(this);
    ComBox_com->setObjectName(QStringLiteral("ComBox_com"));
    ComBox_com->setGeometry(92, 12, 166, kRowHeight);
    nameByLabel(Label52, ComBox_com);
    Label17 = addLabel(this, QStringLiteral("Label17"), QStringLiteral("Baud Rate"), {8, 40, 80, kRowHeight});
    ComBox_baud = addCombo(this, QStringLiteral("ComBox_baud"), toolBaudItems(), {92, 40, 166, kRowHeight});
    ComBox_baud->setCurrentIndex(kDefaultToolBaudIndex);
    nameByLabel(Label17, ComBox_baud);

    Button5 = addButton(this, QStringLiteral("Button5"), QStringLiteral("READ SETTING"), {8, 72, 122, 30});
    Button2 = addButton(this, QStringLiteral("Button2"), QStringLiteral("SAVE SETTING"), {136, 72, 122, 30});

    RadioGroup3 = addRadioGroup(this, QStringLiteral("RadioGroup3"), QStringLiteral("IP mode"), itemsOf(kIpModeItems),
                                kIpModeStatic, 1, {8, 112, 122, 64});
    RadioGroup4 = addRadioGroup(this, QStringLiteral("RadioGroup4"), QStringLiteral("WIFI MODE"),
                                itemsOf(kWifiModeItems), kWifiAdhoc, 1, {136, 112, 122, 64});
    RadioGroup1 = addRadioGroup(this, QStringLiteral("RadioGroup1"), QStringLiteral("Authentication mode"),
                                itemsOf(kAuthModeItems), kAuthOpen, 2, {8, 184, 250, 92});
    RadioGroup2 = addRadioGroup(this, QStringLiteral("RadioGroup2"), QStringLiteral("Encryption mode"),
                                itemsOf(kEncryTypeItems), kEncryNone, 2, {8, 284, 250, 70});
}

void SettingsToolForm::buildBoxes()
{
    const int groupHeight = boxOrigin_.y() + kBoxRows * kRowPitch + 4;
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(kGroupLeft, kGroupTop, kGroupWidth, groupHeight);

    const int boxWidth = kGroupWidth - 2 * boxOrigin_.x();
    const auto rowPlace = [&](int row) {
        return QRect(boxOrigin_.x(), boxOrigin_.y() + row * kRowPitch, boxWidth, kRowHeight);
    };
    // Captions sit left of the group box, level with their boxes.
    const auto caption = [&](int row, const QString& text, const QString& name = QString()) {
        QLabel* label = addLabel(
            this, name, text, {kCaptionLeft, kGroupTop + boxOrigin_.y() + row * kRowPitch, kCaptionWidth, kRowHeight});
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    const auto box = [&](int row, const QString& name, const QString& captionText) {
        QLabel* label = caption(row, captionText);
        QLineEdit* edit = addEdit(GroupBox1, name, rowPlace(row));
        nameByLabel(label, edit);
        return edit;
    };

    Edit1 = box(0, QStringLiteral("Edit1"), QStringLiteral("Model Name"));
    Edit1->setEnabled(false);
    Edit2 = box(1, QStringLiteral("Edit2"), QStringLiteral("Device Name"));
    limitTyping(Edit2, 16);
    Edit7 = box(2, QStringLiteral("Edit7"), QStringLiteral("IP Mode"));
    Edit7->setText(QStringLiteral("STATIC"));
    Edit7->setReadOnly(true);
    Edit7->setEnabled(false);
    caption(kAddressRow, QStringLiteral("IP Address"));
    // The address text lies under the address box, which is made at show time.
    Edit4 = addEdit(GroupBox1, QStringLiteral("Edit4"), rowPlace(kAddressRow));
    limitTyping(Edit4, 16);
    Edit4->hide();
    Edit5 = box(4, QStringLiteral("Edit5"), QStringLiteral("TCP Port"));
    Edit5->setEnabled(false);
    Label8 = caption(5, QStringLiteral("UDP Port"), QStringLiteral("Label8"));
    Edit6 = addEdit(GroupBox1, QStringLiteral("Edit6"), rowPlace(5));
    nameByLabel(Label8, Edit6);
    Edit6->setEnabled(false);
    Edit8 = box(6, QStringLiteral("Edit8"), QStringLiteral("WIFI Mode"));
    Edit8->setText(QStringLiteral("Adhoc"));
    Edit8->setReadOnly(true);
    Edit8->setEnabled(false);
    Edit3 = box(7, QStringLiteral("Edit3"), QStringLiteral("MAC Address"));
    limitTyping(Edit3, 17);
    Edit3->setEnabled(false);
    Edit9 = box(8, QStringLiteral("Edit9"), QStringLiteral("SSID"));
    Edit10 = box(9, QStringLiteral("Edit10"), QStringLiteral("WEP KEY"));
    limitTyping(Edit10, 28);
    Edit13 = box(10, QStringLiteral("Edit13"), QStringLiteral("WPAPSK KEY"));
    limitTyping(Edit13, 72);
    Edit11 = box(11, QStringLiteral("Edit11"), QStringLiteral("Auth Mode"));
    Edit11->setText(QStringLiteral("OPEN"));
    Edit11->setEnabled(false);
    Edit12 = box(12, QStringLiteral("Edit12"), QStringLiteral("EncryType"));
    Edit12->setText(QStringLiteral("NONE"));
    Edit12->setEnabled(false);
    Edit16 = addMask(GroupBox1, QStringLiteral("Edit16"), Edit10);
    Edit17 = addMask(GroupBox1, QStringLiteral("Edit17"), Edit13);
    nameInput(Edit16, QStringLiteral("WEP KEY, not used with this encryption"));
    nameInput(Edit17, QStringLiteral("WPAPSK KEY, not used with this encryption"));
}

void SettingsToolForm::buildHiddenControls()
{
    int y = kHiddenTop;
    const auto nextRow = [&y] { return y += kRowPitch; };
    Edit18 = addEdit(this, QStringLiteral("Edit18"), {8, nextRow(), 120, kRowHeight});
    Label2 = addLabel(this, QStringLiteral("Label2"), QString(), {8, nextRow(), 120, kRowHeight});
    Label15 = addLabel(this, QStringLiteral("Label15"), QString(), {8, nextRow(), 120, kRowHeight});
    Label16 = addLabel(this, QStringLiteral("Label16"), QStringLiteral("Update COM port:"),
                       {8, nextRow(), 120, kRowHeight});
    ComboBox1 = new PathChoiceBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(8, nextRow(), 120, kRowHeight);
    Button3 = addButton(this, QStringLiteral("Button3"), QStringLiteral("UDP GET"), {8, nextRow(), 120, kRowHeight});
    Button4 = addButton(this, QStringLiteral("Button4"), QStringLiteral("UDP SET"), {8, nextRow(), 120, kRowHeight});
    Button7 = addButton(this, QStringLiteral("Button7"), QStringLiteral("Default COMPort Setting"),
                        {8, nextRow(), 160, kRowHeight});
    Button8 = addButton(this, QStringLiteral("Button8"), QStringLiteral("Default Baud Setting"),
                        {8, nextRow(), 160, kRowHeight});
    BitBtn1 = addButton(this, QStringLiteral("BitBtn1"), QStringLiteral("Update OS"), {8, nextRow(), 160, kRowHeight});
    BitBtn2 = addButton(this, QStringLiteral("BitBtn2"), QStringLiteral("Update Root File System"),
                        {8, nextRow(), 160, kRowHeight});
    BitBtn3 = addButton(this, QStringLiteral("BitBtn3"), QStringLiteral("Update WLAN Setting"),
                        {8, nextRow(), 160, kRowHeight});
    for (QWidget* hidden : std::initializer_list<QWidget*>{Edit18, Label2, Label15, Label16, ComboBox1, Button3,
                                                           Button4, Button7, Button8, BitBtn1, BitBtn2, BitBtn3})
        hidden->hide();

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(200, kHiddenTop, 300, 160);
    Edit14 = addEdit(Panel1, QStringLiteral("Edit14"), {4, 4, 120, kRowHeight});
    Edit14->setText(QStringLiteral("192.168.192.168"));
    Edit15 = addEdit(Panel1, QStringLiteral("Edit15"), {130, 4, 60, kRowHeight});
    Edit15->setText(QStringLiteral("6000"));
    Button1 = addButton(Panel1, QStringLiteral("Button1"), QStringLiteral("$GPS"), {4, 30, 60, kRowHeight});
    Button6 = addButton(Panel1, QStringLiteral("Button6"), QStringLiteral("$SAU"), {70, 30, 60, kRowHeight});
    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(4, 56, 290, 100);
    Panel1->hide();

    NMUDP1 = new TNMUDP(this);
    NMUDP1->setObjectName(QStringLiteral("NMUDP1"));
    NMUDP2 = new TNMUDP(this);
    NMUDP2->setObjectName(QStringLiteral("NMUDP2"));
}

}  // namespace quillmar
