// The manager's main window searching the lab for real: the automatic first
// search with the protocol's own waits, and a cancelled search.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <map>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "discovery/udp_progress_form.h"
#include "lab/discovery_lab.h"
#include "record/program_flags.h"
#include "support/recording_prompter.h"
#include "support/wait_until.h"

using namespace quillmar;
using namespace quillmar::test;
using namespace std::chrono_literals;

namespace {

class MainWindowLabTest : public DiscoveryLabTest {
protected:
    void SetUp() override
    {
        DiscoveryLabTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        pc = std::make_unique<LabNetwork::PcScope>(*lab);
        ASSERT_TRUE(pc->entered());
        ASSERT_TRUE(LabNetwork::PcScope::seesOnlyTheLabPc());
        programFlags() = ProgramFlags{};
        programFlags().usbToolFlag = 1;
        programFlags().printerFamily = 2;
        progress = createSharedWindows().udpPrgForm;
        messageLink = QObject::connect(progress, &TudpPrgForm::messageChanged,
                                       [this](const QString& text) { messages << text; });
    }
    void TearDown() override
    {
        form.reset();
        QObject::disconnect(messageLink);
        if (progress)
            progress->setClosePause(kProgressClosePause);
        pc.reset();
        DiscoveryLabTest::TearDown();
    }

    bool hasUpgradeItem()
    {
        auto* tree = form->findChild<QTreeWidget*>(QStringLiteral("funcTreeView"));
        return !tree->findItems(QStringLiteral("Upgrade"), Qt::MatchExactly | Qt::MatchRecursive).isEmpty();
    }

    std::map<QString, QString> listedByName()
    {
        std::map<QString, QString> listed;
        DeviceListModel* model = form->deviceListModel();
        for (int row = 0; row < model->rowCount(); ++row)
            listed[model->cellText(row, 2)] = model->cellText(row, 4);
        return listed;
    }

    std::unique_ptr<LabNetwork::PcScope> pc;
    RecordingPrompter prompts;
    TudpPrgForm* progress = nullptr;
    QMetaObject::Connection messageLink;
    QStringList messages;
    std::unique_ptr<TmainForm> form;
};

}  // namespace

TEST_F(MainWindowLabTest, TheFirstSearchRunsByItselfAndListsEveryModuleOnce)
{
    // The real waits: one second, then four rounds of two seconds per address.
    form = std::make_unique<TmainForm>();
    form->show();
    ASSERT_TRUE(form->networkReady());
    ASSERT_TRUE(waitUntil([&] { return hasUpgradeItem() && !form->searching(); }, 60000));

    const std::map<QString, QString> expected{
        {"ALPHA", "192.0.2.10"},
        {"BRAVO", "192.0.2.11"},
        {"FOREIGN", "203.0.113.10"},
        {"SHORT75", "198.51.100.10"},
        {"DEVICE-NAME-16CH", "198.51.100.13"},
    };
    EXPECT_EQ(listedByName(), expected);
    EXPECT_EQ(form->deviceListModel()->cellText(4, 0), QStringLiteral("5"));
    // The count follows the rows as they are listed.
    EXPECT_EQ(messages,
              QStringList({"", "Broadcast search...", "Broadcast search...1 found", "Broadcast search...2 found",
                           "Broadcast search...3 found", "Broadcast search...4 found", "Broadcast search...5 found"}));
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(linkA->requestsFrom("192.0.2.1:16384"), 4u);
    EXPECT_EQ(linkB->requestsFrom("198.51.100.1:16385"), 4u);
    EXPECT_TRUE(prompts.prompts.empty());
    // FAMILY1 answered too and is not listed: the log says so.
    EXPECT_EQ(form->findChild<QPlainTextEdit*>(QStringLiteral("msgMemo"))->toPlainText(),
              QStringLiteral("1 module of the other family answered; choose that family in the model chooser to see "
                             "them"));
}

TEST_F(MainWindowLabTest, CancelKeepsTheRowsListedAndTheWorkerBeepsWhenItStops)
{
    progress->setClosePause(100ms);
    form = std::make_unique<TmainForm>();
    form->setSearchTiming({0ms, 800ms, 4, 100});
    int beeps = 0;
    QObject::connect(form.get(), &TmainForm::searchStopBeeped, [&] { ++beeps; });
    // Cancel as soon as the first row shows: the first link's modules have all
    // answered the first request, and the worker waits for more.
    bool cancelled = false;
    QObject::connect(form->deviceListModel(), &QAbstractItemModel::rowsInserted, [&] {
        if (cancelled)
            return;
        cancelled = true;
        QTimer::singleShot(0, progress,
                           [this] { progress->findChild<QPushButton*>(QStringLiteral("cancelBtn"))->click(); });
    });
    form->show();
    ASSERT_TRUE(waitUntil([&] { return beeps == 1 && !form->searching(); }, 30000));

    EXPECT_EQ(form->deviceListModel()->rowCount(), 3);
    EXPECT_TRUE(hasUpgradeItem());
    EXPECT_FALSE(progress->isVisible());
    // Stopped at the check before the second request: the second link was never asked.
    EXPECT_EQ(linkA->requestCount(), 1u);
    EXPECT_EQ(linkB->requestCount(), 0u);
    EXPECT_TRUE(prompts.prompts.empty());
}
