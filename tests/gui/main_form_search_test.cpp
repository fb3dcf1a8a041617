// The main window's searches end to end on loopback addresses of this test
// process, against quillmar-sim, with shortened waits.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "discovery/search_ip_dialog.h"
#include "discovery/udp_progress_form.h"
#include "record/program_flags.h"
#include "support/fixed_addresses.h"
#include "support/loopback_addresses.h"
#include "support/recording_prompter.h"
#include "support/sim_process.h"
#include "support/wait_until.h"

using namespace quillmar;
using namespace quillmar::test;
using namespace std::chrono_literals;

namespace {

class MainFormSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        programFlags() = ProgramFlags{};
        programFlags().usbToolFlag = 1;
        windows = &createSharedWindows();
        windows->udpPrgForm->setClosePause(50ms);
        connect = QObject::connect(windows->udpPrgForm, &TudpPrgForm::messageChanged,
                                   [this](const QString& text) { messages << text; });
        form = std::make_unique<TmainForm>(nullptr, &addresses);
        form->setSearchTiming({0ms, 300ms, 4, 100});
        form->show();
        // No automatic broadcast in these tests: they search one address.
        form->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    }
    void TearDown() override
    {
        form.reset();
        QObject::disconnect(connect);
        windows->udpPrgForm->setClosePause(kProgressClosePause);
    }

    QTreeWidget* tree() { return form->findChild<QTreeWidget*>(QStringLiteral("funcTreeView")); }
    QStringList logLines()
    {
        return form->findChild<QPlainTextEdit*>(QStringLiteral("msgMemo"))->toPlainText().split(u'\n');
    }

    bool hasUpgradeItem()
    {
        return !tree()->findItems(QStringLiteral("Upgrade"), Qt::MatchExactly | Qt::MatchRecursive).isEmpty();
    }

    void clickTreeItem(const QString& text)
    {
        const auto items = tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1);
        tree()->setCurrentItem(items.first());
        form->funcTreeViewClick();
    }

    // "Search by IP" with this address typed into the dialog and OK pressed.
    void searchByIp(std::uint32_t address)
    {
        QTimer::singleShot(0, windows->sIPDlg, [this, address] {
            windows->sIPDlg->addressEdit()->setValue(address);
            windows->sIPDlg->findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
        });
        clickTreeItem(QStringLiteral("Search by IP"));
    }

    // Presses "Cancel" as soon as the next search by IP shows its label.
    QMetaObject::Connection cancelWhenSearching()
    {
        return QObject::connect(windows->udpPrgForm, &TudpPrgForm::messageChanged, [this](const QString& text) {
            if (text.startsWith(QLatin1String("search")))
                QTimer::singleShot(0, windows->udpPrgForm, [this] {
                    windows->udpPrgForm->findChild<QPushButton*>(QStringLiteral("cancelBtn"))->click();
                });
        });
    }

    std::unique_ptr<SimProcess> startModule(const std::string& options)
    {
        auto sim = std::make_unique<SimProcess>(simPath(),
                                                std::vector<std::string>{"--bind", loopbackText(1), "--module",
                                                                         "address=" + loopbackText(1) + "," + options});
        EXPECT_TRUE(sim->ready()) << sim->error;
        return sim;
    }

    test::FixedAddresses addresses{{loopbackAddress(0), 1}, {loopbackAddress(2), 1}};
    RecordingPrompter prompts;
    SharedWindows* windows = nullptr;
    QMetaObject::Connection connect;
    QStringList messages;
    std::unique_ptr<TmainForm> form;
};

}  // namespace

TEST_F(MainFormSearchTest, SearchByIpListsTheModuleAndOffersUpgrade)
{
    auto sim = startModule("deviceName=ONE,ipAddress=192.0.2.250");
    EXPECT_FALSE(hasUpgradeItem());
    searchByIp(loopbackAddress(1));

    EXPECT_FALSE(form->searching());
    EXPECT_FALSE(windows->udpPrgForm->isVisible());
    DeviceListModel* model = form->deviceListModel();
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->cellText(0, 0), QStringLiteral("1"));
    EXPECT_EQ(model->cellText(0, 2), QStringLiteral("ONE"));
    EXPECT_EQ(model->cellText(0, 4), QString::fromStdString(loopbackText(1)));
    EXPECT_EQ(form->deviceTable().at(0).text(DeviceField::IpAddress), loopbackText(1));
    EXPECT_TRUE(hasUpgradeItem());
    EXPECT_EQ(messages, QStringList({"", QString::fromStdString("search " + loopbackText(1) + "...")}));
    EXPECT_EQ(windows->udpPrgForm->barPosition(), 100);
    EXPECT_EQ(sim->requestsFrom(loopbackText(0) + ":16384"), 1u);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(tree()->currentItem()->text(0), QStringLiteral("Configuration"));
}

TEST_F(MainFormSearchTest, ANewSearchStartsWithAnEmptyListAndNoUpgradeItem)
{
    auto sim = startModule("deviceName=ONE");
    searchByIp(loopbackAddress(1));
    ASSERT_TRUE(hasUpgradeItem());
    ASSERT_EQ(form->deviceListModel()->rowCount(), 1);

    // The second search asks an address where nothing answers.
    bool upgradeWhileSearching = true;
    int rowsWhileSearching = -1;
    const auto probe = QObject::connect(windows->udpPrgForm, &TudpPrgForm::messageChanged, [&](const QString& text) {
        if (text.startsWith(QLatin1String("search"))) {
            upgradeWhileSearching = hasUpgradeItem();
            rowsWhileSearching = form->deviceListModel()->rowCount();
        }
    });
    searchByIp(loopbackAddress(2));
    QObject::disconnect(probe);
    EXPECT_FALSE(upgradeWhileSearching);
    EXPECT_EQ(rowsWhileSearching, 0);
    EXPECT_EQ(form->deviceListModel()->rowCount(), 0);
    EXPECT_FALSE(hasUpgradeItem());
    // A search that listed nothing says so.
    EXPECT_EQ(logLines().last(), QString::fromStdString("search " + loopbackText(2) + " ended; no module listed"));
}

// The list shows the chosen family's models; the log names the modules of the
// other family that answered, and how to see them.
TEST_F(MainFormSearchTest, ModulesOfTheOtherFamilyAreCountedInTheLog)
{
    auto sim = startModule("deviceName=OTHER,modelName=RX4100 WI-FI");
    searchByIp(loopbackAddress(1));
    EXPECT_EQ(form->deviceListModel()->rowCount(), 0);
    EXPECT_EQ(logLines().mid(logLines().size() - 2),
              QStringList({QString::fromStdString("search " + loopbackText(1) + " ended; no module listed"),
                           "1 module of the other family answered; choose that family in the model chooser to see "
                           "them"}));
}

TEST_F(MainFormSearchTest, CancelClosesTheWindowAndTheWorkerBeepsAtItsNextCheck)
{
    auto sim = startModule("answer=never");
    int beeps = 0;
    QObject::connect(form.get(), &TmainForm::searchStopBeeped, [&] { ++beeps; });
    const auto cancel = cancelWhenSearching();
    searchByIp(loopbackAddress(1));
    QObject::disconnect(cancel);
    EXPECT_FALSE(windows->udpPrgForm->isVisible());
    ASSERT_TRUE(form->searching());  // the worker is still in its wait

    // While the old worker runs, a new search is refused without showing the dialog.
    bool dialogShown = false;
    QTimer::singleShot(0, windows->sIPDlg, [&] {
        if (windows->sIPDlg->isVisible()) {
            dialogShown = true;
            windows->sIPDlg->CancelBtnClick();
        }
    });
    clickTreeItem(QStringLiteral("Search by IP"));
    EXPECT_FALSE(dialogShown);

    ASSERT_TRUE(waitUntil([&] { return !form->searching(); }));
    EXPECT_TRUE(waitUntil([&] { return beeps == 1; }));
    EXPECT_LT(sim->requestCount(), 8u);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(logLines(),
              QStringList{QString::fromStdString("search " + loopbackText(1) + " cancelled; no module listed")});
}

// A cancelled worker runs on to its next stop check. A search started meanwhile
// (the upgrade starts one by itself) must not be ended, closed or filled by
// what the old worker still sends.
TEST_F(MainFormSearchTest, AnOldWorkersEndLeavesANewerSearchRunning)
{
    // The old search is cancelled in its start pause, so it holds no socket
    // that the newer one needs.
    form->setSearchTiming({600ms, 300ms, 4, 100});
    const auto cancel = cancelWhenSearching();
    searchByIp(loopbackAddress(1));
    QObject::disconnect(cancel);
    ASSERT_TRUE(form->searching());
    form->setSearchTiming({0ms, 300ms, 4, 100});

    bool newerRunning = false;
    bool newerWindowOpen = false;
    int newerBar = -1;
    QTimer::singleShot(0, form.get(), [&] {
        // Inside the newer search's progress window: the old worker ends, and
        // everything it sent is delivered.
        EXPECT_TRUE(waitUntil([&] { return form->runningSearchWorkers() == 1; }));
        QCoreApplication::processEvents();
        newerRunning = form->searching();
        newerWindowOpen = windows->udpPrgForm->isVisible();
        newerBar = windows->udpPrgForm->barPosition();
    });
    form->startSearch(false, QString::fromStdString(loopbackText(2)));
    EXPECT_TRUE(newerRunning);
    EXPECT_TRUE(newerWindowOpen);
    EXPECT_LT(newerBar, 100);  // the old worker's last bar position went nowhere
    // The newer search ends by itself and closes its window.
    EXPECT_FALSE(form->searching());
    EXPECT_FALSE(windows->udpPrgForm->isVisible());
    EXPECT_EQ(form->runningSearchWorkers(), 0);
    EXPECT_TRUE(prompts.prompts.empty());
}

// "Search by IP" with a range typed into the dialog: every address of it is
// asked once, from the local address that reaches it, and the module listed.
TEST_F(MainFormSearchTest, SearchByIpTakesARangeAndAsksEachAddressOnce)
{
    auto sim = startModule("deviceName=RANGED");
    const std::string range = formatIpv4(loopbackAddress(0) - 1) + "-" + loopbackText(2);
    QTimer::singleShot(0, windows->sIPDlg, [this, range] {
        QLineEdit* edit = windows->sIPDlg->findChild<QLineEdit*>(QStringLiteral("Edit_range"));
        QTest::keyClicks(edit, QString::fromStdString(range));
        QTest::mouseClick(windows->sIPDlg->findChild<QPushButton*>(QStringLiteral("OKBtn")), Qt::LeftButton);
    });
    clickTreeItem(QStringLiteral("Search by IP"));
    ASSERT_TRUE(waitUntil([&] { return !form->searching(); }));

    ASSERT_EQ(form->deviceListModel()->rowCount(), 1);
    EXPECT_EQ(form->deviceListModel()->cellText(0, 2), QStringLiteral("RANGED"));
    EXPECT_EQ(form->deviceListModel()->cellText(0, 4), QString::fromStdString(loopbackText(1)));
    EXPECT_TRUE(messages.contains(QString::fromStdString("search " + range + "...")));
    EXPECT_EQ(windows->udpPrgForm->barPosition(), 100);
    EXPECT_EQ(sim->requestCount(), 1u);
    EXPECT_EQ(sim->requestsFrom(loopbackText(0) + ":16384"), 1u);
    EXPECT_TRUE(hasUpgradeItem());
    EXPECT_TRUE(prompts.prompts.empty());
}
