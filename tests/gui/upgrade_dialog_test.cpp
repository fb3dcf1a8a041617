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
#include "maintenance/upgrade_fw_dialog.h"
#include "record/program_flags.h"
#include "support/pseudo_terminal.h"
#include "support/recording_host_tables.h"
#include "support/recording_prompter.h"
#include "support/scripted_file_dialogs.h"
#include "support/temp_directory.h"
#include "support/view_clicks.h"

namespace quillmar {
namespace {

class UpgradeDialogTest : public ::testing::Test {
protected:
    void SetUp() override { programFlags() = ProgramFlags{}; }

    template <typename T> T* control(const char* name) { return dialog.findChild<T*>(QLatin1String(name)); }
    void click(const char* button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    void choosePort(int item)
    {
        auto* ports = control<QComboBox>("CmbBox_port");
        while (ports->currentIndex() != item)
            QTest::keyClick(ports, ports->currentIndex() < item ? Qt::Key_Down : Qt::Key_Up);
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
    choosePort(11);
    click("OKBtn");
    EXPECT_TRUE(prompter.prompts.empty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.filePath(), directory.file(QStringLiteral("firmware.bin")));
    EXPECT_EQ(dialog.portName(), QStringLiteral("COM12"));  // the upgrade opens it by its path
    // The arrow keys passed COM4 ... COM9; the serial control kept COM9 after them.
    EXPECT_EQ(dialog.commPort(), 9);

    dialog.show();
    click("CancelBtn");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(UpgradeDialogTest, UsbModeStillOffersTheLoadersSerialPort)
{
    for (const int usbToolFlag : {1, 0}) {
        programFlags().usbToolFlag = usbToolFlag;
        dialog.show();
        EXPECT_EQ(control<QLabel>("Label1")->text(),
                  usbToolFlag ? QStringLiteral("USB port:") : QStringLiteral("COM port:"));
        EXPECT_TRUE(control<QComboBox>("CmbBox_port")->isVisible());
        dialog.hide();
    }
}

class OneAddress final : public LocalAddressSource {
public:
    LocalAddressReading read() override { return {0, {{0xC0000201u, 2}}}; }
};

class QuietMainForm final : public TmainForm {
public:
    using TmainForm::TmainForm;
    void startSearch(bool, const QString&) override {}
};

TEST(UpgradeCommand, OpensTheDialogAndNothingReachesThePrinterOnOk)
{
    programFlags() = ProgramFlags{};
    test::RecordingPrompter prompter;
    test::TempDirectory directory;
    test::PseudoTerminal printer(1);
    ASSERT_TRUE(printer.ready()) << printer.error;
    OneAddress addresses;
    QuietMainForm form(nullptr, &addresses);
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
