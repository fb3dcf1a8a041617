// The "Upgrade" command from the main window to quillmar-sim's modules on
// loopback (their command ports on 127.0.0.1 and 127.0.0.2, their loaders on
// two ptys mapped to COM7 and COM8; 127.0.0.4 never answers the log-in;
// 127.0.0.5 has the password "counter5" and its loader on COM9), with real
// clicks on the tree, the upgrade dialog, the password dialog and the
// progress window. The route and neighbour tables are a recorder: loopback
// needs none; the secret store is one in memory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <net/if.h>

#include <csignal>
#include <cstdio>
#include <stdexcept>

#include "app/device_list_model.h"
#include "app/end_signals.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "maintenance/maintenance_result.h"
#include "maintenance/maintenance_thread.h"
#include "maintenance/upgrade_fw_dialog.h"
#include "maintenance/upgrade_prg_form.h"
#include "record/program_flags.h"
#include "support/fixed_addresses.h"
#include "support/memory_secret_store.h"
#include "support/password_dialog_controls.h"
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

class QuietMainForm final : public TmainForm {
public:
    using TmainForm::TmainForm;
    void startSearch(bool broadcast, const QString&) override { searchesAsked += broadcast ? 1 : 0; }
    int searchesAsked = 0;
};

// The block the progress window shows as sent ("downloading...N/40 package"),
// or -1 while it shows anything else.
int blocksShown(const TupgradePrgForm* progress)
{
    int sent = 0;
    return std::sscanf(progress->labelText().toLatin1().constData(), "downloading...%d/40 package", &sent) == 1 ? sent
                                                                                                                : -1;
}

class UpgradeWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        programFlags() = ProgramFlags{};
        qputenv("QUILLMAR_COM7", directory.file("com7").toLocal8Bit());
        qputenv("QUILLMAR_COM8", directory.file("com8").toLocal8Bit());
        qputenv("QUILLMAR_COM9", directory.file("com9").toLocal8Bit());
        sim = std::make_unique<test::SimProcess>(
            test::simPath(), std::vector<std::string>{
                                 "--session", "address=127.0.0.1", "--session", "address=127.0.0.2", "--session",
                                 "address=127.0.0.3,password=counter1", "--session", "address=127.0.0.4,login=silent",
                                 "--loader-pty", path("com7") + ",address=127.0.0.1,nak=never", "--loader-pty",
                                 path("com8") + ",address=127.0.0.2,nakEvery=100,image=" + path("image"), "--session",
                                 "address=127.0.0.5,password=counter5", "--loader-pty",
                                 path("com9") + ",address=127.0.0.5,nakEvery=100"});
        ASSERT_TRUE(sim->ready()) << sim->error;
        timing.connectPause = 50ms;
        timing.serialCollect = 300ms;
        timing.xmodem.writePause = 5ms;
        form.setMaintenanceTiming(timing);
        form.setHostTables(&tables);
        form.setSecretStore(&store);
        form.show();
        // The automatic first search goes by before the upgrades.
        ASSERT_TRUE(test::waitUntil([this] { return form.searchesAsked == 1; }, 5000));
        form.searchesAsked = 0;
        form.addRow(device("02:51:7f:00:00:01", "127.0.0.1"));
        form.addRow(device("02:51:7f:00:00:02", "127.0.0.2"));
        form.addRow(device("02:51:7f:00:00:04", "127.0.0.4"));
        form.addRow(device("02:51:7f:00:00:05", "127.0.0.5"));
        QFile firmware(directory.file("fw.bin"));
        ASSERT_TRUE(firmware.open(QIODevice::WriteOnly));
        firmware.write(QByteArray(128 * 40, '\xC3'));
    }

    std::string path(const char* name) const { return directory.file(QLatin1String(name)).toStdString(); }

    static DeviceEntry device(const char* mac, const char* ip)
    {
        DeviceEntry entry;
        entry.setText(DeviceField::ModelName, "RX7000 WI-FI");
        entry.setText(DeviceField::MacAddress, mac);
        entry.setText(DeviceField::IpAddress, ip);
        return entry;
    }

    // The user selects the row, clicks "Upgrade", picks the port COMn and the
    // file and presses OK; `whileRunning` then runs every 20 ms with the
    // progress window until the command returns.
    void upgrade(int row, int com, const std::function<void(TupgradePrgForm*)>& whileRunning = {})
    {
        auto* list = form.findChild<QTableView*>(QStringLiteral("deviceListView"));
        test::clickItem(list, form.deviceListModel()->index(row, 2));
        TupgradeFWDlg* dialog = createSharedWindows().upgradeFWDlg;
        QTimer::singleShot(0, dialog, [this, dialog, com] {
            auto* ports = dialog->findChild<QComboBox*>(QStringLiteral("CmbBox_port"));
            ports->setCurrentIndex(ports->findData(QStringLiteral("COM%1").arg(com)));
            dialog->findChild<QLineEdit*>(QStringLiteral("Edit_file"))->setText(directory.file("fw.bin"));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OKBtn")), Qt::LeftButton);
        });
        TupgradePrgForm* progress = sharedWindows().upgradePrgForm;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (progress->isVisible() && whileRunning)
                whileRunning(progress);
        });
        watcher.start(20);
        auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("funcTreeView"));
        test::clickTreeItem(tree, new QTreeWidgetItem(tree->topLevelItem(0), {QStringLiteral("Upgrade")}));
    }

    QString logText() const { return form.findChild<QPlainTextEdit*>(QStringLiteral("msgMemo"))->toPlainText(); }

    // How many route and neighbour changes of this kind ("route-", ...) were made.
    long changes(const char* kind) const
    {
        const auto all = tables.changes();
        return std::count_if(all.begin(), all.end(), [&](const std::string& c) { return c.starts_with(kind); });
    }

    test::TempDirectory directory;
    MaintenanceTiming timing;
    std::unique_ptr<test::SimProcess> sim;
    test::RecordingHostTables tables;
    test::MemorySecretStore store;
    test::RecordingPrompter prompts;
    test::FixedAddresses addresses{{0x7F000001u, if_nametoindex("lo")}};
    QuietMainForm form{nullptr, &addresses};
};

TEST_F(UpgradeWindowTest, ShowsTheBlocksSentAndTheOutcomeAndSearchesOnYes)
{
    // The bar follows the blocks: k of 40 sent is k/40 of the bar.
    int blockTexts = 0;
    prompts.answers = {PromptAnswer::Yes};
    // QUILLMAR_SCREENSHOT_DIR: where to keep pictures of the window and the box.
    const QString pictures = qEnvironmentVariable("QUILLMAR_SCREENSHOT_DIR");
    QString named;  // the printer the progress window names
    upgrade(1, 8, [&](TupgradePrgForm* progress) {
        named = progress->deviceText();
        const int sent = blocksShown(progress);
        if (sent >= 0) {
            ++blockTexts;
            EXPECT_NEAR(progress->barPosition(), sent * 1000 / 40, 25) << sent;
            if (!pictures.isEmpty() && sent >= 20 && !QFile::exists(pictures + "/upgrade_progress.png"))
                progress->grab().save(pictures + "/upgrade_progress.png");
        }
    });
    if (!pictures.isEmpty() && !prompts.prompts.empty()) {
        QMessageBox box(QMessageBox::Question, prompts.prompts[0].title, prompts.prompts[0].text,
                        QMessageBox::Yes | QMessageBox::No);
        box.show();
        box.grab().save(pictures + "/upgrade_result.png");
    }
    EXPECT_GT(blockTexts, 3);
    EXPECT_EQ(named, QStringLiteral("02:51:7f:00:00:02, 127.0.0.2"));
    EXPECT_TRUE(createSharedWindows().upgradeFWDlg->windowTitle().endsWith(named));
    EXPECT_TRUE(sharedWindows().upgradePrgForm->deviceText().isEmpty());  // the next run names its own
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Finished"));
    EXPECT_EQ(prompts.prompts[0].text,
              QStringLiteral("Upgrade firmware OK! \r\nDevice rebooting now! \r\nBroadcast search to refresh table?"));
    EXPECT_EQ(prompts.prompts[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(form.searchesAsked, 1);
    EXPECT_EQ(form.maintenanceStatus(), maintenance::kOk);
    EXPECT_EQ(sim->lines("loader-image", "bytes", std::to_string(128 * 40)).size(), 1u);
    EXPECT_TRUE(sim->lines("session-open", "module", "127.0.0.1").empty()) << "the other module heard nothing";
    EXPECT_FALSE(sharedWindows().upgradePrgForm->isVisible());
}

// "Cancel" before the module was told to hand over (its log-in still
// awaited): no question, no message, the worker stops on its own; an upgrade
// of the second module right after is not disturbed by it.
TEST_F(UpgradeWindowTest, CancelBeforeTheHandOverShowsNothingAndTheNextUpgradeIsItsOwn)
{
    upgrade(2, 7, [](TupgradePrgForm* progress) {
        if (progress->labelText() == QStringLiteral("login to device..."))
            QTest::mouseClick(progress->findChild<QPushButton*>(QStringLiteral("cancelBtn")), Qt::LeftButton);
    });
    EXPECT_TRUE(prompts.prompts.empty());
    // Still waiting for its log-in, or (on a slow run) already stopped.
    EXPECT_TRUE(form.maintenanceStatus() == maintenance::kStillRunning
                || form.maintenanceStatus() == maintenance::kStopped)
        << form.maintenanceStatus();

    prompts.answers = {PromptAnswer::No};
    upgrade(1, 8);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Finished"));
    EXPECT_EQ(form.searchesAsked, 0);
    EXPECT_EQ(form.maintenanceStatus(), maintenance::kOk);
    // Both sessions give back their route and neighbour entries, the
    // cancelled one once its log-in wait is over.
    EXPECT_TRUE(test::waitUntil([this] { return changes("route-") == 2; }, 8000));
    EXPECT_FALSE(logText().contains(QStringLiteral("loader"))) << logText().toStdString();
}

// Once the module was told to hand over, "Cancel" and Escape ask first: No
// lets the download go on behind the window, Yes stops it, and the user is
// told, and the log says, that the printer stays in its loader.
TEST_F(UpgradeWindowTest, StoppingAfterTheHandOverAsksAndSaysThePrinterStaysInItsLoader)
{
    timing.xmodem.writePause = 20ms;
    form.setMaintenanceTiming(timing);
    // No, then Yes to "Stop the upgrade?"; No to starting it again on the loader.
    prompts.answers = {PromptAnswer::No, PromptAnswer::Yes, PromptAnswer::No};
    int sentAtNo = -1;
    int sentAtYes = -1;
    upgrade(1, 8, [&](TupgradePrgForm* progress) {
        const int sent = blocksShown(progress);
        if (sent < 0)
            return;
        if (sentAtNo < 0 && sent >= 5) {
            sentAtNo = sent;
            QTest::mouseClick(progress->findChild<QPushButton*>(QStringLiteral("cancelBtn")), Qt::LeftButton);
            EXPECT_TRUE(progress->isVisible());
        } else if (sentAtNo >= 0 && sentAtYes < 0 && sent >= sentAtNo + 10) {
            sentAtYes = sent;
            QTest::keyClick(progress, Qt::Key_Escape);
        }
    });
    const QString staysInLoader = QStringLiteral("The printer will stay in its loader until an upgrade completes.");
    ASSERT_EQ(prompts.prompts.size(), 3u) << prompts.texts().join(u'|').toStdString();
    for (const Prompt& question : {prompts.prompts[0], prompts.prompts[1]}) {
        EXPECT_EQ(question.title, QStringLiteral("Confirm"));
        EXPECT_EQ(question.text, QStringLiteral("Stop the upgrade? ") + staysInLoader);
        EXPECT_EQ(question.buttons, PromptButtons::YesNo);
        EXPECT_EQ(question.defaultAnswer, PromptAnswer::No);  // Enter keeps the upgrade going
    }
    // How to finish is said, and offered.
    const QString stopped = QStringLiteral("The upgrade was stopped. ") + staysInLoader;
    EXPECT_EQ(prompts.prompts[2].title, QStringLiteral("Confirm"));
    EXPECT_EQ(prompts.prompts[2].text,
              stopped
                  + QStringLiteral("\r\n\r\nTo finish, start the upgrade again with the printer in its loader: the "
                                   "image goes over COM8 straight to the loader, without the network hand-over (a "
                                   "printer in its loader does not answer on the network).\r\n\r\nStart the "
                                   "upgrade again now?"));
    EXPECT_EQ(prompts.prompts[2].defaultAnswer, PromptAnswer::Yes);
    EXPECT_TRUE(logText().contains(stopped)) << logText().toStdString();
    EXPECT_GT(sentAtYes, sentAtNo) << "the download went on after No";
    EXPECT_EQ(form.maintenanceStatus(), maintenance::kStopped);
    const std::size_t blocks = sim->lines("loader-block").size();
    EXPECT_GE(blocks, std::size_t(sentAtYes));
    EXPECT_LT(blocks, 40u);
    // The session was released before the message.
    EXPECT_EQ(tables.changes().back().substr(0, 6), "neigh-");
}

// The offer after a stop taken: the upgrade runs again straight on the
// loader (the transfer it was in ended with two CANs, the menu asked for
// again), with nothing sent over the network, and completes.
TEST_F(UpgradeWindowTest, AStoppedUpgradeStartedAgainGoesStraightToTheLoaderAndCompletes)
{
    timing.xmodem.writePause = 20ms;
    form.setMaintenanceTiming(timing);
    prompts.answers = {PromptAnswer::Yes, PromptAnswer::Yes, PromptAnswer::No};
    bool stopped = false;
    upgrade(1, 8, [&](TupgradePrgForm* progress) {
        if (!stopped && blocksShown(progress) >= 5) {
            stopped = true;
            QTest::mouseClick(progress->findChild<QPushButton*>(QStringLiteral("cancelBtn")), Qt::LeftButton);
        }
    });
    ASSERT_EQ(prompts.prompts.size(), 3u) << prompts.texts().join(u'|').toStdString();
    EXPECT_TRUE(prompts.prompts[1].text.startsWith(QStringLiteral("The upgrade was stopped.")));
    EXPECT_EQ(prompts.prompts[2].title, QStringLiteral("Finished"));
    EXPECT_TRUE(prompts.prompts[2].text.startsWith(QStringLiteral("Upgrade firmware OK!")));
    // One session only: the run again told the module nothing.
    EXPECT_EQ(sim->lines("session-open").size(), 1u);
    EXPECT_EQ(sim->lines("loader-cancel").size(), 1u);
    EXPECT_EQ(sim->lines("loader-menu", "again", "yes").size(), 1u);
    const auto image = sim->lines("loader-image");
    ASSERT_EQ(image.size(), 1u);
    EXPECT_EQ(image[0].fields.at("blocks"), "40");
    EXPECT_TRUE(logText().contains(QStringLiteral("Upgrade started again on the loader at COM8")))
        << logText().toStdString();
}

// SIGHUP (the terminal the manager was started from closed) and SIGTERM
// while a download runs: the worker is stopped and its session released
// before the program ends, and a second signal does not end it sooner.
TEST_F(UpgradeWindowTest, AnEndSignalReleasesTheSessionBeforeTheProgramEnds)
{
    timing.xmodem.writePause = 20ms;
    form.setMaintenanceTiming(timing);
    for (const int number : {SIGHUP, SIGTERM}) {
        SCOPED_TRACE(number);
        int endedWith = 0;
        std::vector<std::string> changesAtEnd;
        const EndSignals ends(&MaintenanceThread::stopAllAndWait, [&](int signal) {
            endedWith = signal;
            changesAtEnd = tables.changes();
        });
        bool raised = false;
        upgrade(1, 8, [&](TupgradePrgForm* progress) {
            // A busy machine can show block 5 for less than the 20 ms between looks.
            if (!raised && blocksShown(progress) >= 5) {
                raised = true;
                std::raise(number);
                std::raise(number);
            }
        });
        EXPECT_EQ(endedWith, number);
        ASSERT_FALSE(changesAtEnd.empty());
        EXPECT_EQ(changesAtEnd.back().substr(0, 6), "neigh-") << "released before the end";
        EXPECT_EQ(changes("route-"), changes("route+"));
        EXPECT_EQ(form.maintenanceStatus(), maintenance::kStopped);
        EXPECT_TRUE(prompts.prompts.empty()) << prompts.texts().join(u'|').toStdString();
        EXPECT_LT(sim->lines("loader-block").size(), 40u);
    }
}

// A worker that throws: the exception is logged and shown, the progress window
// stays until the user closes it, and no outcome message follows.
TEST_F(UpgradeWindowTest, AWorkerExceptionIsShownOnceAndNothingElse)
{
    tables.afterChange = [](const std::string& change) {
        if (change.starts_with("route+"))
            throw std::runtime_error("route table gone");
    };
    upgrade(1, 8, [&](TupgradePrgForm* progress) {
        if (!prompts.prompts.empty())
            QTest::mouseClick(progress->findChild<QPushButton*>(QStringLiteral("cancelBtn")), Qt::LeftButton);
    });
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.prompts[0].kind, PromptKind::Exception);
    EXPECT_EQ(prompts.prompts[0].text, QStringLiteral("route table gone"));
    EXPECT_TRUE(logText().contains(QStringLiteral("upgradeFwThread Exception")));
    // The session released what it had set up while the exception passed.
    EXPECT_EQ(tables.changes().back().substr(0, 6), "neigh-");
}

}  // namespace

namespace {

// The reboot has no command of its own; its starter takes a filled request.
TEST_F(UpgradeWindowTest, RebootReportsItsOutcomeAndReleasesTheSession)
{
    prompts.answers = {PromptAnswer::No};
    form.startReboot({"", "127.0.0.3", "02:51:7f:00:00:03", "counter1", ""});
    form.startReboot({"", "127.0.0.3", "02:51:7f:00:00:03", "counter2", ""});
    ASSERT_EQ(prompts.prompts.size(), 2u);
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Finished"));
    EXPECT_EQ(prompts.prompts[0].text, QStringLiteral("Device rebooting now! \r\nBroadcast search to refresh table?"));
    EXPECT_EQ(prompts.prompts[1].title, QStringLiteral("Error"));
    EXPECT_EQ(prompts.prompts[1].text, QStringLiteral("login to device failed"));
    EXPECT_EQ(form.searchesAsked, 0);
    EXPECT_EQ(sim->lines("command", "does", "reboot").size(), 1u);
    EXPECT_EQ(sim->lines("command-line", "len", "22").size(), 2u);
    EXPECT_EQ(changes("route+"), 2);
    EXPECT_EQ(changes("route-"), 2) << "a successful reboot gives its route back too";
    EXPECT_EQ(changes("neigh-"), 2);
}

}  // namespace

namespace {

// What the user does in each password dialog that comes up, in turn: types a
// password and leaves "Remember" as it is or clicks it, or cancels.
struct PasswordTyping {
    QString password;  // empty: "Cancel"
    bool clickRemember = false;
    bool rememberWasTicked = false;  // as the dialog came up
};

class DevicePasswordUpgrade : public UpgradeWindowTest {
protected:
    // Upgrades 127.0.0.5 on COM9, answering the password dialogs.
    void upgradeAnswering(std::vector<PasswordTyping> typing)
    {
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<TPasswordDlg*>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != QLatin1String("DevicePasswordDlg"))
                return;
            ++dialogs;
            if (typing.empty()) {
                ADD_FAILURE() << "a password dialog more than expected";
                QTest::mouseClick(cancelOf(*dialog), Qt::LeftButton);
                return;
            }
            const PasswordTyping next = typing.front();
            typing.erase(typing.begin());
            rememberTicked.push_back(rememberOf(*dialog)->isChecked());
            if (next.password.isEmpty()) {
                QTest::mouseClick(cancelOf(*dialog), Qt::LeftButton);
                return;
            }
            QTest::keyClicks(passwordOf(*dialog), next.password);
            if (next.clickRemember)
                QTest::mouseClick(rememberOf(*dialog), Qt::LeftButton, {},
                                  QPoint(8, rememberOf(*dialog)->height() / 2));
            QTest::mouseClick(okOf(*dialog), Qt::LeftButton);
        });
        answerer.start(20);
        upgrade(3, 9);
        EXPECT_TRUE(typing.empty()) << typing.size() << " password dialogs did not come";
    }

    std::size_t logins(const char* token) const { return sim->lines("login", "token", token).size(); }

    const QString key = QStringLiteral("printer-password/02-51-7F-00-00-05");
    int dialogs = 0;
    std::vector<bool> rememberTicked;
};

// A refused log-in asks for the password, again after a wrong one; a right
// one ticked "Remember" is kept, and the next upgrade logs in with it without
// asking. Nothing but the log-in went to the printer before that.
TEST_F(DevicePasswordUpgrade, ARefusedLogInAsksForThePasswordAndRememberKeepsIt)
{
    prompts.answers = {PromptAnswer::No};
    upgradeAnswering({{QStringLiteral("counter6")}, {QStringLiteral("counter5"), true}});
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(rememberTicked, (std::vector<bool>{false, false}));
    EXPECT_EQ(logins("wrong"), 2u);
    EXPECT_EQ(logins("right"), 1u);
    EXPECT_EQ(sim->lines("command", "does", "loader").size(), 1u);
    EXPECT_EQ(store.secrets.value(key), QByteArray("counter5"));
    ASSERT_EQ(prompts.texts().size(), 1);
    EXPECT_TRUE(prompts.texts()[0].startsWith(QLatin1String("Upgrade firmware OK!")))
        << prompts.texts()[0].toStdString();

    prompts.prompts.clear();
    prompts.answers = {PromptAnswer::No};
    upgradeAnswering({});
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(logins("right"), 2u);
    EXPECT_EQ(logins("wrong"), 2u);
}

// A remembered password the printer no longer takes: the dialog comes up
// with "Remember" ticked; unticked, the new password is used once and the old
// one forgotten. Cancel then tells the refusal as before, and a store that
// cannot be reached is said in the log and in a message, never silently.
TEST_F(DevicePasswordUpgrade, UntickingForgetsAndCancelTellsTheRefusalAndAStoreFailureIsShown)
{
    store.secrets.insert(key, "counter4");
    prompts.answers = {PromptAnswer::No};
    upgradeAnswering({{QStringLiteral("counter5"), true}});
    EXPECT_EQ(rememberTicked, std::vector<bool>{true});
    EXPECT_FALSE(store.secrets.contains(key));
    EXPECT_EQ(logins("right"), 1u);

    prompts.prompts.clear();
    upgradeAnswering({{QString()}});
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Error"));
    EXPECT_EQ(prompts.prompts[0].text, QStringLiteral("login to device failed"));
    EXPECT_EQ(logins("right"), 1u);

    store.failure = QStringLiteral("the secret store refused access (locked)");
    prompts.prompts.clear();
    prompts.answers = {PromptAnswer::No};
    upgradeAnswering({{QStringLiteral("counter5"), true}});
    EXPECT_TRUE(logText().contains(QStringLiteral("secret store: the secret store refused access (locked)")));
    ASSERT_EQ(prompts.prompts.size(), 2u) << prompts.texts().join(u'|').toStdString();
    EXPECT_EQ(prompts.prompts[0].text,
              QStringLiteral("The password could not be remembered: the secret store refused access (locked)"));
    EXPECT_TRUE(prompts.prompts[1].text.startsWith(QLatin1String("Upgrade firmware OK!")));
}

}  // namespace
