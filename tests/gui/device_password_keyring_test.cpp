// The round trip through a real Secret Service: the manager's password
// dialog, ticked "Remember", stores a printer's password in the desktop's
// secret store (QtKeychain over libsecret to gnome-keyring, on a D-Bus session
// bus of the test's own), and quillmar-cli reboot --password-from-keyring logs
// in with it. quillmar-sim plays the printer on loopback (command port 5001,
// its loader on a pty as COM7), in a network namespace of the test's own; the
// route and neighbour tables are a recorder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <net/if.h>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "maintenance/device_passwords.h"
#include "maintenance/upgrade_fw_dialog.h"
#include "platform/secret_store.h"
#include "record/program_flags.h"
#include "support/cli_runner.h"
#include "support/fixed_addresses.h"
#include "support/password_dialog_controls.h"
#include "support/private_keyring.h"
#include "support/quiet_main_form.h"
#include "support/recording_host_tables.h"
#include "support/recording_prompter.h"
#include "support/sim_process.h"
#include "support/temp_directory.h"
#include "support/view_clicks.h"
#include "support/wait_until.h"
#include "tools/password_dialog.h"

using namespace quillmar;
using namespace quillmar::test;
using namespace std::chrono_literals;

namespace {

TEST(DevicePasswordKeyring, RememberedInTheManagerTheCommandLineLogsInWithIt)
{
    test::PrivateKeyring keyring;
    if (!keyring.missing.empty())
        GTEST_SKIP() << keyring.missing;
    ASSERT_TRUE(keyring.ready()) << keyring.error;

    test::TempDirectory directory;
    const std::string com7 = directory.file("com7").toStdString();
    qputenv("QUILLMAR_COM7", QByteArray::fromStdString(com7));
    test::SimProcess sim(test::simPath(), {"--session", "address=127.0.0.1,password=counter1", "--loader-pty",
                                           com7 + ",address=127.0.0.1,nakEvery=100"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    QFile firmware(directory.file("fw.bin"));
    ASSERT_TRUE(firmware.open(QIODevice::WriteOnly));
    firmware.write(QByteArray(128 * 4, '\xC3'));
    firmware.close();

    programFlags() = ProgramFlags{};
    test::RecordingPrompter prompts;
    prompts.answers = {PromptAnswer::No};
    test::RecordingHostTables tables;
    test::FixedAddresses addresses{{0x7F000001u, if_nametoindex("lo")}};
    MaintenanceTiming timing;
    timing.connectPause = 50ms;
    timing.serialCollect = 300ms;
    timing.xmodem.writePause = 2ms;
    QuietMainForm form(nullptr, &addresses);
    form.setMaintenanceTiming(timing);
    form.setHostTables(&tables);
    form.show();
    DeviceEntry printer;
    printer.setText(DeviceField::ModelName, "RX7000 WI-FI");
    printer.setText(DeviceField::MacAddress, "02:51:7f:00:00:01");
    printer.setText(DeviceField::IpAddress, "127.0.0.1");
    form.addRow(printer);

    // The upgrade: its first log-in (no password) is refused, the dialog
    // asks, the user types the password and ticks "Remember".
    int dialogs = 0;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<TPasswordDlg*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("DevicePasswordDlg"))
            return;
        ++dialogs;
        QTest::keyClicks(passwordOf(*dialog), QStringLiteral("counter1"));
        QTest::mouseClick(rememberOf(*dialog), Qt::LeftButton, {}, QPoint(8, rememberOf(*dialog)->height() / 2));
        QTest::mouseClick(okOf(*dialog), Qt::LeftButton);
    });
    answerer.start(20);
    TupgradeFWDlg* upgradeDialog = createSharedWindows().upgradeFWDlg;
    QTimer::singleShot(0, upgradeDialog, [&] {
        auto* ports = upgradeDialog->findChild<QComboBox*>(QStringLiteral("CmbBox_port"));
        ports->setCurrentIndex(ports->findData(QStringLiteral("COM7")));
        upgradeDialog->findChild<QLineEdit*>(QStringLiteral("Edit_file"))->setText(directory.file("fw.bin"));
        QTest::mouseClick(upgradeDialog->findChild<QPushButton*>(QStringLiteral("OKBtn")), Qt::LeftButton);
    });
    auto* list = form.findChild<QTableView*>(QStringLiteral("deviceListView"));
    test::clickItem(list, form.deviceListModel()->index(0, 2));
    auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("funcTreeView"));
    test::clickTreeItem(tree, new QTreeWidgetItem(tree->topLevelItem(0), {QStringLiteral("Upgrade")}));
    answerer.stop();
    EXPECT_EQ(dialogs, 1);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_TRUE(prompts.prompts[0].text.startsWith(QLatin1String("Upgrade firmware OK!")))
        << prompts.prompts[0].text.toStdString();
    EXPECT_EQ(sim.lines("login", "token", "right").size(), 1u);

    // What the store keeps, read back by another reader of it.
    std::unique_ptr<SecretStore> store = makeDesktopSecretStore();
    QString error;
    EXPECT_EQ(rememberedDevicePassword(*store, "02-51-7F-00-00-01", error), std::optional<std::string>("counter1"))
        << error.toStdString();

    // quillmar-cli finds it by the printer's MAC, in the notation discover lists.
    const auto reboot = [&tables](const char* mac) {
        return test::runVerbs({"reboot", "127.0.0.1", mac, "--password-from-keyring"},
                              [&tables](cli::VerbContext& context) {
                                  context.hostTables = &tables;
                                  context.maintenanceTiming.connectPause = 50ms;
                              });
    };
    auto run = reboot("02:51:7f:00:00:01");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QLatin1String("warning"))) << run.err.toStdString();
    EXPECT_EQ(sim.lines("login", "token", "right").size(), 2u);
    EXPECT_EQ(sim.lines("command", "does", "reboot").size(), 1u);

    // A printer the store keeps nothing for: said, and nothing is sent.
    const std::size_t sessions = sim.lines("session-open").size();
    run = reboot("02:51:7f:00:00:09");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, QStringLiteral("quillmar-cli reboot: the desktop's secret store keeps no password for "
                                      "02:51:7f:00:00:09; nothing is sent\n"));
    EXPECT_EQ(sim.lines("session-open").size(), sessions);
    qunsetenv("QUILLMAR_COM7");
}

}  // namespace
