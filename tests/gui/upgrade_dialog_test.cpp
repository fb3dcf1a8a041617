// The firmware upgrade dialog offscreen: its file checks, the port it hands
// on, USB mode, and the Upgrade command that opens it. The dialog talks to no
// printer: a pseudo-terminal on the chosen port hears nothing.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <sys/stat.h>

#include "app/main_form.h"
#include "app/shared_windows.h"
#include "discovery/search_ip_dialog.h"
#include "discovery/udp_progress_form.h"
#include "maintenance/firmware_file_check.h"
#include "maintenance/upgrade_fw_dialog.h"
#include "maintenance/upgrade_prg_form.h"
#include "platform/com_port_map.h"
#include "record/program_flags.h"
#include "support/fixed_addresses.h"
#include "support/pseudo_terminal.h"
#include "support/quiet_main_form.h"
#include "support/recording_host_tables.h"
#include "support/recording_prompter.h"
#include "support/scripted_file_dialogs.h"
#include "support/tab_order.h"
#include "support/temp_directory.h"
#include "support/view_clicks.h"
#include "tools/password_dialog.h"
#include "ui/path_choice_box.h"

namespace quillmar {
namespace {

class UpgradeDialogTest : public ::testing::Test {
protected:
    void SetUp() override { programFlags() = ProgramFlags{}; }

    template <typename T> T* control(const char* name) { return dialog.findChild<T*>(QLatin1String(name)); }
    void click(const char* button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    // Moves to the port with the arrow keys, as a user would; returns the
    // "COMn" names passed on the way.
    QStringList choosePort(const QString& name)
    {
        auto* ports = control<QComboBox>("CmbBox_port");
        const int item = ports->findData(name);
        EXPECT_GE(item, 0) << name.toStdString();
        QStringList passed;
        while (item >= 0 && ports->currentIndex() != item) {
            QTest::keyClick(ports, ports->currentIndex() < item ? Qt::Key_Down : Qt::Key_Up);
            passed << ports->currentData().toString();
        }
        return passed;
    }
    QString file(const char* name, const QByteArray& content)
    {
        QFile out(directory.file(QLatin1String(name)));
        out.open(QIODevice::WriteOnly);
        out.write(content);
        return out.fileName();
    }

    test::TempDirectory directory;
    test::RecordingPrompter prompter;
    test::ScriptedFileDialogs fileDialogs;
    TupgradeFWDlg dialog;
};

TEST_F(UpgradeDialogTest, OkKeepsTheDialogOpenUntilTheFileWillDo)
{
    ::mkfifo(directory.file(QStringLiteral("pipe.bin")).toLocal8Bit().constData(), 0600);
    const std::pair<QString, QString> refused[] = {
        {QString(), "file can't be blank"},
        {directory.file(QStringLiteral("missing.bin")), "file isn't exists"},
        {file("short.bin", "ab"), "read file failed"},
        {directory.path(), "open file failed"},
        {directory.file(QStringLiteral("pipe.bin")), "open file failed"},  // and no wait on it
        {file("archive.bin", QByteArray("PK\x03\x04\x14\x00", 6)), "This file is a ZIP archive, not a firmware image"},
        {file("page.bin", "<html><body>404</body></html>"), "This file is an HTML page, not a firmware image"},
        {file("notes.bin", "release notes\n"), "This file is a text file, not a firmware image"},
    };
    dialog.show();
    for (const auto& [path, message] : refused) {
        SCOPED_TRACE(message.toStdString());
        control<QLineEdit>("Edit_file")->setText(path);
        click("OKBtn");
        ASSERT_EQ(prompter.prompts.size(), 1u);
        EXPECT_EQ(prompter.prompts[0].text, message);
        EXPECT_EQ(prompter.prompts[0].title, QStringLiteral("Error"));
        EXPECT_EQ(prompter.prompts[0].icon, PromptIcon::Warning);
        EXPECT_TRUE(dialog.isVisible());
        prompter.prompts.clear();
    }

    fileDialogs.paths.push_back(file("firmware.bin", QByteArray("\x02\x00\xE5", 3)));
    click("Btn_brs");
    EXPECT_EQ(fileDialogs.requests.at(0).request.title, QStringLiteral("Open firmware file..."));
    EXPECT_EQ(fileDialogs.requests.at(0).request.filter, QStringLiteral("*.bin"));
    const QStringList passed = choosePort(QStringLiteral("COM12"));
    EXPECT_EQ(control<QComboBox>("CmbBox_port")->currentText(), QStringLiteral("COM12 \u2014 /dev/ttyS11"));
    click("OKBtn");
    EXPECT_TRUE(prompter.prompts.empty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.filePath(), directory.file(QStringLiteral("firmware.bin")));
    EXPECT_EQ(dialog.portName(), QStringLiteral("COM12"));  // the upgrade opens it by its path
    // The serial control follows COM1 to COM9 only: it kept the last of them
    // the arrow keys passed.
    int lastLow = 1;
    for (const QString& port : passed) {
        if (const std::optional<int> low = commPortOfName(port))
            lastLow = *low;
    }
    EXPECT_EQ(dialog.commPort(), lastLow);

    dialog.show();
    click("CancelBtn");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// COM ports whose device is there come first, each with its device; in USB
// mode the loader is on the cable's serial adapter, and no COM port is offered.
TEST_F(UpgradeDialogTest, PortsAreListedAsLinuxNamesThemAndUsbModeOffersNoComPort)
{
    test::PseudoTerminal adapter(200);
    ASSERT_TRUE(adapter.ready()) << adapter.error;
    for (const int usbToolFlag : {1, 0}) {
        programFlags().usbToolFlag = usbToolFlag;
        dialog.show();
        EXPECT_EQ(control<QLabel>("Label1")->text(),
                  usbToolFlag ? QStringLiteral("USB port:") : QStringLiteral("COM port:"));
        auto* ports = control<QComboBox>("CmbBox_port");
        EXPECT_TRUE(ports->isVisible());
        QStringList items;
        for (int i = 0; i < ports->count(); ++i)
            items << ports->itemText(i);
        if (usbToolFlag) {
            EXPECT_EQ(items, usbSerialPorts());
        } else {
            ASSERT_EQ(items.size(), 256);
            EXPECT_TRUE(items.indexOf(QStringLiteral("COM200 \u2014 ") + QString::fromStdString(adapter.path()))
                        < items.indexOf(QStringLiteral("COM199 \u2014 /dev/ttyS198")));
            // A path too long for the closed box keeps both its ends, the one
            // that tells two adapters apart included; the whole is its tool tip.
            const QString longest = QStringLiteral("COM7 \u2014 /dev/serial/by-id/") + QString(60, u'x')
                                    + QStringLiteral("-if00-port0");
            ports->setItemText(ports->currentIndex(), longest);
            const QString shown = static_cast<PathChoiceBox*>(ports)->shownText();
            EXPECT_TRUE(shown.startsWith(QStringLiteral("COM7")) && shown.endsWith(QStringLiteral("port0"))
                        && shown.contains(QChar(0x2026)))
                << shown.toStdString();
            EXPECT_EQ(ports->toolTip(), longest);
        }
        dialog.hide();
    }
    // With no adapter there is nothing to upgrade through.
    programFlags().usbToolFlag = 1;
    dialog.show();
    if (usbSerialPorts().isEmpty()) {
        control<QLineEdit>("Edit_file")->setText(file("firmware.bin", QByteArray("\x02\x00\xE5", 3)));
        click("OKBtn");
        EXPECT_EQ(prompter.texts(), QStringList{"no USB serial port (/dev/ttyUSB*, /dev/ttyACM*) is attached"});
        EXPECT_TRUE(dialog.isVisible());
    }
}

// Dialogs and progress windows have a close box and nothing to minimise or
// maximise; Escape closes the upgrade dialog as Cancel does, and Tab goes from
// the port to the file, Browse, OK and Cancel.
TEST_F(UpgradeDialogTest, DialogsHaveOnlyACloseBoxAndTheKeyboardWorksThem)
{
    const SharedWindows& shared = createSharedWindows();
    for (QWidget* window : std::initializer_list<QWidget*>{shared.PasswordDlg, shared.udpPrgForm, shared.sIPDlg,
                                                           shared.upgradeFWDlg, shared.upgradePrgForm, &dialog}) {
        const Qt::WindowFlags flags = window->windowFlags();
        EXPECT_TRUE(flags & Qt::CustomizeWindowHint) << window->objectName().toStdString();
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))
            << window->objectName().toStdString();
    }
    dialog.show();
    EXPECT_EQ(test::tabStops(&dialog, control<QComboBox>("CmbBox_port"), 6),
              QStringList({"CmbBox_port", "Edit_file", "Btn_brs", "OKBtn", "CancelBtn", "CmbBox_port"}));
    QTest::keyClick(control<QLineEdit>("Edit_file"), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(UpgradeCommand, OpensTheDialogAndNothingReachesThePrinterOnOk)
{
    programFlags() = ProgramFlags{};
    test::RecordingPrompter prompter;
    test::TempDirectory directory;
    test::PseudoTerminal printer(1);
    ASSERT_TRUE(printer.ready()) << printer.error;
    test::FixedAddresses addresses{{0xC0000201u, 2}};
    test::QuietMainForm form(nullptr, &addresses);
    // The upgrade that follows OK stops before it touches any table or network.
    test::RecordingHostTables tables;
    tables.privileged = false;
    form.setHostTables(&tables);
    form.show();
    DeviceEntry device;
    device.setText(DeviceField::MacAddress, "00:11:22:AA:BB:01");
    device.setText(DeviceField::IpAddress, "192.0.2.50");
    device.setText(DeviceField::ModelName, "RX7000 WI-FI");
    form.addRow(device);
    form.findChild<QTableView*>(QStringLiteral("deviceListView"))->selectRow(0);

    TupgradeFWDlg* dialog = createSharedWindows().upgradeFWDlg;
    QFile image(directory.file(QStringLiteral("fw.bin")));
    ASSERT_TRUE(image.open(QIODevice::WriteOnly));
    image.write(QByteArray(4096, '\xA5'));
    image.close();
    bool shownModally = false;
    QTimer::singleShot(0, [&] {
        shownModally = dialog->isModal() && dialog->isVisible();
        dialog->findChild<QLineEdit*>(QStringLiteral("Edit_file"))->setText(image.fileName());
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OKBtn")), Qt::LeftButton);
    });
    auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("funcTreeView"));
    test::clickTreeItem(tree, new QTreeWidgetItem(tree->topLevelItem(0), {QStringLiteral("Upgrade")}));

    EXPECT_TRUE(shownModally);
    EXPECT_EQ(dialog->portName(), QStringLiteral("COM1"));
    EXPECT_EQ(printer.read(1, 300), std::string());
    ASSERT_EQ(prompter.prompts.size(), 1u);
    EXPECT_TRUE(prompter.prompts[0].text.contains(QStringLiteral("CAP_NET_ADMIN")));
    EXPECT_TRUE(tables.changes().empty());
}

}  // namespace
}  // namespace quillmar
