// The History window, opened from the main window by its tree item and by
// Ctrl+H: the audit log newest first, a filter by MAC or text, the list
// following the log while open, and Restore (Alt+R) of a row's backup into a
// quillmar-sim module on loopback (ports 5000 and 6000, in a network
// namespace of its own): read first, the changes shown, No by default, the
// backup written only on Yes, with its verdict and a read-back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/main_form.h"
#include "history/audit_log.h"
#include "history/history_form.h"
#include "history/record_backups.h"
#include "history/sealed_file.h"
#include "record/program_flags.h"
#include "support/config_window_driver.h"
#include "support/quiet_main_form.h"
#include "support/recording_prompter.h"
#include "support/sample_devices.h"
#include "support/sim_fields.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/view_clicks.h"
#include "support/wait_until.h"

using namespace quillmar;
using quillmar::test::controlIn;
using quillmar::test::QuietMainForm;

namespace {

constexpr const char* kMac = "00-1B-2C-3D-4E-5F";

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        programFlags() = ProgramFlags{};
        programFlags().printerFamily = 2;
        form.show();
    }

    // One write of the log: `minutesAgo` before now.
    static void logWrite(int minutesAgo, const QString& operation, const QString& mac, const QString& name,
                         const QString& address, std::vector<ChangedField> changes, const QString& backup,
                         const QString& verdict, std::optional<AuditImage> image = std::nullopt)
    {
        AuditEntry entry;
        entry.time = QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo);
        entry.operation = operation;
        entry.macAddress = mac;
        entry.deviceName = name;
        entry.address = address;
        entry.changes = std::move(changes);
        entry.backup = backup;
        entry.verdict = verdict;
        entry.image = image;
        ASSERT_EQ(appendAudit(entry), std::nullopt);
    }

    THistoryForm* openByTree()
    {
        auto* tree = controlIn<QTreeWidget>(form, "funcTreeView");
        const auto items = tree->findItems(QStringLiteral("History"), Qt::MatchExactly | Qt::MatchRecursive);
        if (items.isEmpty())
            return nullptr;
        test::clickTreeItem(tree, items.first());
        THistoryForm* history = form.historyWindow();
        if (history) {
            history->setFleetTiming({std::chrono::milliseconds(20), std::chrono::milliseconds(1000)});
            history->setReadbackTiming({std::chrono::milliseconds(8000), std::chrono::milliseconds(300)});
        }
        return history;
    }

    static QTableWidget* table(THistoryForm* history) { return controlIn<QTableWidget>(*history, "historyTable"); }
    static QString cell(THistoryForm* history, int row, int column)
    {
        QTableWidgetItem* item = table(history)->item(row, column);
        return item ? item->text() : QString();
    }
    static void clickRow(THistoryForm* history, int row)
    {
        test::clickItem(table(history), table(history)->model()->index(row, 2));
    }

    test::ScopedStateHome home;
    test::RecordingPrompter prompts;
    QuietMainForm form;
};

TEST_F(HistoryWindowTest, TheTreeItemAndCtrlHOpenTheLogNewestFirstFilteredByMacOrTextWithImagesByHash)
{
    logWrite(30, QStringLiteral("config set"), QLatin1String(kMac), QStringLiteral("Kitchen"),
             QStringLiteral("192.0.2.20"),
             {{DeviceField::WpaPsk, QStringLiteral("sha256:111111111111"), QStringLiteral("sha256:222222222222")}},
             QString(), QStringLiteral("confirmed"));
    logWrite(20, QStringLiteral("window save"), QStringLiteral("00:1b:2c:3d:4e:60"), QStringLiteral("Bar"),
             QStringLiteral("192.0.2.21"), {{DeviceField::Ssid, QStringLiteral("ShopNet"), QStringLiteral("Shop2")}},
             QString(), QStringLiteral("confirmed"));
    logWrite(10, QStringLiteral("upgrade"), QLatin1String(kMac), QString(), QStringLiteral("192.0.2.20"), {}, QString(),
             QStringLiteral("download file failed"), AuditImage{65536, QStringLiteral("0a1b2c3d")});

    THistoryForm* history = openByTree();
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->isVisible());
    ASSERT_EQ(table(history)->rowCount(), 3);
    EXPECT_EQ(cell(history, 0, 1), QStringLiteral("upgrade"));
    EXPECT_EQ(cell(history, 0, 3), QStringLiteral("image 65536 bytes, SHA-256 0a1b2c3d"));
    EXPECT_EQ(cell(history, 1, 2), QStringLiteral("Bar, 00:1b:2c:3d:4e:60, 192.0.2.21"));
    EXPECT_EQ(cell(history, 1, 3), QStringLiteral("SSID: ShopNet -> Shop2"));
    EXPECT_EQ(cell(history, 2, 3), QStringLiteral("WPAPSK: sha256:111111111111 -> sha256:222222222222"));

    auto* filter = controlIn<QLineEdit>(*history, "Edit_filter");
    QTest::keyClicks(filter, QStringLiteral("001B.2C3D.4E5F"));
    ASSERT_EQ(table(history)->rowCount(), 2);
    EXPECT_EQ(cell(history, 0, 1), QStringLiteral("upgrade"));
    EXPECT_EQ(cell(history, 1, 1), QStringLiteral("config set"));
    filter->clear();
    QTest::keyClicks(filter, QStringLiteral("shop2"));
    ASSERT_EQ(table(history)->rowCount(), 1);
    EXPECT_EQ(cell(history, 0, 2), QStringLiteral("Bar, 00:1b:2c:3d:4e:60, 192.0.2.21"));

    // Escape closes it; Ctrl+H brings it back.
    QTest::keyClick(history, Qt::Key_Escape);
    ASSERT_TRUE(test::waitUntil([&] { return form.historyWindow() == nullptr; }));
    QApplication::setActiveWindow(&form);
    QTest::keyClick(&form, Qt::Key_H, Qt::ControlModifier);
    ASSERT_NE(form.historyWindow(), nullptr);
    EXPECT_TRUE(form.historyWindow()->isVisible());
    EXPECT_EQ(table(form.historyWindow())->rowCount(), 3);
    form.historyWindow()->close();
}

TEST_F(HistoryWindowTest, TheListFollowsTheLogWhileOpenAndARowWithoutABackupOffersNoRestore)
{
    logWrite(5, QStringLiteral("reboot"), QLatin1String(kMac), QString(), QStringLiteral("192.0.2.20"), {}, QString(),
             QStringLiteral("stopped"));
    THistoryForm* history = openByTree();
    ASSERT_NE(history, nullptr);
    ASSERT_EQ(table(history)->rowCount(), 1);
    clickRow(history, 0);
    EXPECT_FALSE(controlIn<QPushButton>(*history, "restoreBtn")->isEnabled());

    // Another program (the command line, say) writes meanwhile.
    logWrite(0, QStringLiteral("config set"), QLatin1String(kMac), QStringLiteral("Kitchen"),
             QStringLiteral("192.0.2.20"), {{DeviceField::Ssid, QStringLiteral("A"), QStringLiteral("B")}}, QString(),
             QStringLiteral("confirmed"));
    ASSERT_TRUE(test::waitUntil([&] { return table(history)->rowCount() == 2; }, 5000));
    EXPECT_EQ(cell(history, 0, 1), QStringLiteral("config set"));
    // The row the user picked stays picked.
    ASSERT_NE(history->selectedEntry(), nullptr);
    EXPECT_EQ(history->selectedEntry()->operation, QStringLiteral("reboot"));
    history->close();
}

TEST_F(HistoryWindowTest, RestoreReadsFirstShowsTheChangesAsksWithNoByDefaultAndWritesOnlyOnYes)
{
    // The printer as it is now: someone set Shop2; the backup holds ShopNet.
    DeviceEntry now = test::kitchenPrinter("127.0.0.2", kMac);
    now.setText(DeviceField::Ssid, "Shop2");
    const DeviceEntry before = test::kitchenPrinter("127.0.0.2", kMac);
    const StoredBackup backup = storeBackup(before);
    ASSERT_TRUE(backup.stored()) << backup.error.toStdString();
    logWrite(3, QStringLiteral("window save"), QLatin1String(kMac), QStringLiteral("POS-Kitchen"),
             QStringLiteral("127.0.0.2"), {{DeviceField::Ssid, QStringLiteral("ShopNet"), QStringLiteral("Shop2")}},
             QFile::decodeName(backup.path), QStringLiteral("confirmed"));
    test::SimProcess sim(test::simPath(),
                         {"--module", "address=127.0.0.2" + test::simFieldsOf(now) + ",restartAfter=1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    form.addRow(now);

    THistoryForm* history = openByTree();
    ASSERT_NE(history, nullptr);
    clickRow(history, 0);
    auto* restore = controlIn<QPushButton>(*history, "restoreBtn");
    ASSERT_TRUE(restore->isEnabled());
    QSignalSpy finished(history, &THistoryForm::restoreFinished);

    // Alt+R; the question's default, No, is what an unscripted answer gives.
    QApplication::setActiveWindow(history);
    QTest::keyClick(history, Qt::Key_R, Qt::AltModifier);
    ASSERT_TRUE(test::waitUntil([&] { return finished.count() == 1; }, 10000));
    ASSERT_EQ(prompts.prompts.size(), 2u);
    const Prompt& question = prompts.prompts[0];
    EXPECT_EQ(question.title, QStringLiteral("Confirm"));
    EXPECT_EQ(question.defaultAnswer, PromptAnswer::No);
    EXPECT_EQ(prompts.parents[0], history);
    EXPECT_TRUE(question.text.startsWith(QStringLiteral("Restore POS-Kitchen (00-1B-2C-3D-4E-5F) at 127.0.0.2")))
        << question.text.toStdString();
    EXPECT_TRUE(question.text.contains(QStringLiteral("\n\nSSID: Shop2 -> ShopNet\n\n")));
    EXPECT_FALSE(sim.lines("request", "kind", "search").empty());  // read first
    EXPECT_TRUE(sim.lines("request", "kind", "save-header").empty());
    EXPECT_TRUE(prompts.prompts[1].text.contains(QStringLiteral("not confirmed: nothing was restored")));
    EXPECT_EQ(home.auditEntries().size(), 1);

    // Yes: the backup goes back through the write path, and is read back.
    prompts.prompts.clear();
    prompts.answers.push_back(PromptAnswer::Yes);
    QTest::mouseClick(restore, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return finished.count() == 2; }, 20000));
    const auto stored = sim.lines("stored");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].fields.at("ssid"), "ShopNet");
    EXPECT_EQ(stored[0].fields.at("ip"), "127.0.0.2");
    ASSERT_EQ(prompts.prompts.size(), 2u);
    EXPECT_EQ(prompts.prompts[1].title, QStringLiteral("Information"));
    EXPECT_TRUE(prompts.prompts[1].text.contains(QStringLiteral("Save to Module OK; read back: verified at 127.0.0.2")))
        << prompts.prompts[1].text.toStdString();
    // The restore is a write of its own in the log, and the list shows it.
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 2);
    EXPECT_EQ(audit[1].value("operation").toString(), QStringLiteral("window restore"));
    EXPECT_EQ(audit[1].value("verdict").toString(), QStringLiteral("confirmed"));
    EXPECT_EQ(audit[1].value("changes").toObject().value("ssid").toObject().value("to").toString(),
              QStringLiteral("ShopNet"));
    ASSERT_TRUE(test::waitUntil([&] { return table(history)->rowCount() == 2; }, 5000));
    EXPECT_EQ(cell(history, 0, 1), QStringLiteral("window restore"));
    history->close();
}

TEST_F(HistoryWindowTest, ABackupOfAnotherPrinterAtThatAddressIsRefusedAfterTheRead)
{
    const DeviceEntry theirs = test::kitchenPrinter("127.0.0.2", "00-1B-2C-3D-4E-77");
    const StoredBackup backup = storeBackup(test::kitchenPrinter("127.0.0.2", kMac));
    ASSERT_TRUE(backup.stored());
    logWrite(3, QStringLiteral("window save"), QLatin1String(kMac), QStringLiteral("POS-Kitchen"),
             QStringLiteral("127.0.0.2"), {}, QFile::decodeName(backup.path), QStringLiteral("confirmed"));
    test::SimProcess sim(test::simPath(), {"--module", "address=127.0.0.2" + test::simFieldsOf(theirs)});
    ASSERT_TRUE(sim.ready()) << sim.error;

    THistoryForm* history = openByTree();
    ASSERT_NE(history, nullptr);
    clickRow(history, 0);
    QSignalSpy finished(history, &THistoryForm::restoreFinished);
    QTest::mouseClick(controlIn<QPushButton>(*history, "restoreBtn"), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return finished.count() == 1; }, 10000));
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Error"));
    EXPECT_TRUE(prompts.prompts[0].text.contains(QStringLiteral("has MAC 00-1B-2C-3D-4E-77")))
        << prompts.prompts[0].text.toStdString();
    EXPECT_TRUE(prompts.prompts[0].text.endsWith(QStringLiteral("nothing was restored")));
    EXPECT_TRUE(sim.lines("request", "kind", "save-header").empty());
    history->close();
}

// A backup sealed with --encrypt-backups opens only with its passphrase, typed
// into a dialog of its own: a wrong one restores nothing, the right one leads
// to the same read and question as a plain backup.
TEST_F(HistoryWindowTest, ASealedBackupIsRestoredOnlyWithItsPassphrase)
{
    QString error;
    const std::unique_ptr<FileSealer> sealer = FileSealer::make("counter words", error, SealCost{1, 8});
    ASSERT_TRUE(sealer) << error.toStdString();
    const StoredBackup backup = storeBackup(test::kitchenPrinter("127.0.0.2", kMac), {},
                                            QDateTime::currentDateTimeUtc(), sealer.get());
    ASSERT_TRUE(backup.stored()) << backup.error.toStdString();
    logWrite(3, QStringLiteral("window save"), QLatin1String(kMac), QStringLiteral("POS-Kitchen"),
             QStringLiteral("127.0.0.2"), {}, QFile::decodeName(backup.path), QStringLiteral("confirmed"));
    DeviceEntry now = test::kitchenPrinter("127.0.0.2", kMac);
    now.setText(DeviceField::Ssid, "Shop2");
    test::SimProcess sim(test::simPath(), {"--module", "address=127.0.0.2" + test::simFieldsOf(now)});
    ASSERT_TRUE(sim.ready()) << sim.error;
    form.addRow(now);

    THistoryForm* history = openByTree();
    ASSERT_NE(history, nullptr);
    clickRow(history, 0);
    QSignalSpy finished(history, &THistoryForm::restoreFinished);
    QString typing;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("PassphraseDlg"))
            return;
        auto* edit = dialog->findChild<QLineEdit*>();
        QTest::keyClicks(edit, typing);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    answerer.start(20);
    for (const char* passphrase : {"wrong words", "counter words"}) {
        typing = QString::fromLatin1(passphrase);
        prompts.prompts.clear();
        QTest::mouseClick(controlIn<QPushButton>(*history, "restoreBtn"), Qt::LeftButton);
        ASSERT_TRUE(test::waitUntil([&] { return !prompts.prompts.empty(); }, 10000)) << passphrase;
        if (typing.startsWith(u'w')) {
            EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Error"));
            EXPECT_TRUE(prompts.prompts[0].text.contains(QStringLiteral("cannot be opened")))
                << prompts.prompts[0].text.toStdString();
        }
    }
    ASSERT_TRUE(test::waitUntil([&] { return finished.count() == 2; }, 10000));
    answerer.stop();
    EXPECT_TRUE(sim.lines("request", "kind", "save-header").empty());
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Confirm"));
    EXPECT_TRUE(prompts.prompts[0].text.contains(QStringLiteral("SSID: Shop2 -> ShopNet")))
        << prompts.prompts[0].text.toStdString();
    history->close();
}

}  // namespace
