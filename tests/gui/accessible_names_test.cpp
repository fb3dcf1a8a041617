// Every input of the configuration window, the COM-port tool and the upgrade
// dialog has an accessible name, its label's text, and the label is its buddy:
// what Qt's accessibility interface hands a screen reader (the AT-SPI test in
// tests/accessibility reads the same over the bus).
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "maintenance/upgrade_fw_dialog.h"
#include "support/config_window_driver.h"
#include "support/recording_prompter.h"
#include "support/sample_devices.h"
#include "tools/com_settings_form.h"
#include "ui/ip_address_edit.h"

using namespace quillmar;

namespace {

bool isInput(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget)
           || qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

// The text of the label a screen reader reads an input by (Qt on Linux hands
// a choice box's name over as its current text and its label as a relation).
QString labelledBy(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    if (!accessible)
        return {};
    for (const auto& [other, relation] : accessible->relations(QAccessible::Label))
        return other->text(QAccessible::Name);
    return {};
}

QString nameOf(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    if (!accessible)
        return {};
    if (qobject_cast<QComboBox*>(widget))
        return widget->accessibleName();
    return accessible->text(QAccessible::Name);
}

// The inputs a user meets in `window` that a screen reader could not name:
// no name of their own and no label: "objectName".
QStringList unnamedInputs(const QWidget& window)
{
    QStringList unnamed;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!isInput(widget) || !widget->isVisibleTo(&window))
            continue;
        if (nameOf(widget).trimmed().isEmpty() && labelledBy(widget).trimmed().isEmpty())
            unnamed << (widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                                       : widget->objectName());
    }
    return unnamed;
}

QLabel* labelFor(const QWidget& window, const QWidget* input)
{
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->buddy() == input)
            return label;
    }
    return nullptr;
}

}  // namespace

TEST(AccessibleNames, EveryInputOfTheConfigurationWindowIsNamedByItsLabel)
{
    test::ConfigWindowDriver w;
    TcfgForm& f = w.open(test::kitchenPrinter("192.0.2.20"));
    EXPECT_EQ(unnamedInputs(f), QStringList());
    const std::pair<const char*, const char*> named[] = {
        {"Edit_SerialNo", "Device Name"}, {"Edit_SSID", "SSID"},
        {"Edit_KEY", "WEP KEY"},          {"Edit_WPAPSK", "WPAPSK KEY"},
        {"CmbBox_AuthMode", "Auth Mode"}, {"CmbBox_ipcfg", "IP Mode"},
    };
    for (const auto& [object, name] : named) {
        QWidget* input = test::controlIn<QWidget>(f, object);
        ASSERT_NE(input, nullptr) << object;
        EXPECT_EQ(nameOf(input), QLatin1String(name)) << object;
        ASSERT_NE(labelFor(f, input), nullptr) << object;
        EXPECT_TRUE(labelledBy(input).startsWith(QLatin1String(name))) << object;
    }
    // The address box's four numbers are read as parts of "IP Address".
    IpAddressEdit* address = f.moduleAddressControl();
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(labelFor(f, address)->text(), QStringLiteral("IP Address:"));
    EXPECT_EQ(nameOf(address->octetEdit(2)), QStringLiteral("IP Address, number 3 of 4"));
}

TEST(AccessibleNames, EveryInputOfTheComToolAndTheUpgradeDialogIsNamed)
{
    for (int port = 1; port <= 9; ++port)
        qputenv(("QUILLMAR_COM" + QByteArray::number(port)).constData(), "/nonexistent/quillmar-test-port");
    test::RecordingPrompter prompts;  // the read at show finds no port
    TForm1 tool{SettingsToolContext{}};
    tool.show();
    EXPECT_EQ(unnamedInputs(tool), QStringList());
    EXPECT_EQ(nameOf(test::controlIn<QWidget>(tool, "Edit9")), QStringLiteral("SSID"));
    EXPECT_EQ(nameOf(test::controlIn<QWidget>(tool, "ComBox_com")), QStringLiteral("COM port"));
    tool.close();

    TupgradeFWDlg dialog;
    dialog.show();
    EXPECT_EQ(unnamedInputs(dialog), QStringList());
    EXPECT_EQ(nameOf(test::controlIn<QWidget>(dialog, "Edit_file")), QStringLiteral("File"));
    dialog.close();
    for (int port = 1; port <= 9; ++port)
        qunsetenv(("QUILLMAR_COM" + QByteArray::number(port)).constData());
}
