// One manager process used for a long session: fifty searches, each followed
// by opening the found module's configuration window and closing it again,
// against quillmar-sim on loopback (in a network namespace of its own). The
// process must hold the same open descriptors and threads afterwards as after
// the first round: a closed configuration window gives its sockets back, and a
// finished search leaves no socket or thread behind.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "config/cfg_form.h"
#include "discovery/search_ip_dialog.h"
#include "discovery/udp_progress_form.h"
#include "record/program_flags.h"
#include "support/fixed_addresses.h"
#include "support/loopback_addresses.h"
#include "support/recording_prompter.h"
#include "support/sim_process.h"
#include "support/view_clicks.h"
#include "support/wait_until.h"
#include "ui/ip_address_edit.h"

using namespace quillmar;
using namespace quillmar::test;
using namespace std::chrono_literals;

namespace {

constexpr int kRounds = 50;

std::size_t entriesOf(const char* directory)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory))
        ++count;
    return count;
}

struct Held {
    std::size_t descriptors = 0;
    std::size_t threads = 0;
};

std::string threadName(const std::filesystem::path& task)
{
    std::ifstream comm(task / "comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// Qt looks host names up on a bounded pool of its own, out of reach of
// settle(), whose idle threads end on its own timer: they are not counted.
std::size_t threadsOutsideQtsPools()
{
    std::size_t count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        count += threadName(task.path()) != "Thread (pooled)";
    return count;
}

Held held()
{
    return {entriesOf("/proc/self/fd"), threadsOutsideQtsPools()};
}

// The names of this process's threads and what its descriptors lead to, for
// a failure's message.
std::string heldNames()
{
    std::string names;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        names += "thread " + threadName(task.path()) + "\n";
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        names += "fd " + fd.path().filename().string() + " -> " + std::filesystem::read_symlink(fd, error).string()
                 + "\n";
    }
    return names;
}

class ManagerResourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        programFlags() = ProgramFlags{};
        programFlags().usbToolFlag = 1;
        windows = &createSharedWindows();
        windows->udpPrgForm->setClosePause(20ms);
        form = std::make_unique<TmainForm>(nullptr, &addresses);
        form->setSearchTiming({0ms, 300ms, 4, 100});
        form->show();
        form->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    }
    void TearDown() override
    {
        form.reset();
        windows->udpPrgForm->setClosePause(kProgressClosePause);
    }

    // "Search by IP" for the module, typed into the dialog and confirmed.
    void searchForTheModule()
    {
        QTimer::singleShot(0, windows->sIPDlg, [this] {
            windows->sIPDlg->addressEdit()->setValue(loopbackAddress(1));
            QTest::mouseClick(windows->sIPDlg->findChild<QPushButton*>(QStringLiteral("OKBtn")), Qt::LeftButton);
        });
        auto* tree = form->findChild<QTreeWidget*>(QStringLiteral("funcTreeView"));
        const auto items = tree->findItems(QStringLiteral("Search by IP"), Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1);
        clickTreeItem(tree, items.first());
        ASSERT_EQ(form->deviceListModel()->rowCount(), 1);
    }

    // A double-click on the listed module, then the window's "Abort".
    void openAndCloseItsWindow()
    {
        auto* list = form->findChild<QTableView*>(QStringLiteral("deviceListView"));
        doubleClickItem(list, form->deviceListModel()->index(0, 2));
        TcfgForm* window = nullptr;
        for (TcfgForm* candidate : form->findChildren<TcfgForm*>()) {
            if (candidate->isVisible())
                window = candidate;
        }
        ASSERT_NE(window, nullptr);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("abortBtn")), Qt::LeftButton);
        ASSERT_FALSE(window->isVisible());
        ASSERT_EQ(form->isDeviceOpen(form->deviceTable().at(0).text(DeviceField::MacAddress)), 0);
    }

    void round()
    {
        searchForTheModule();
        if (!HasFatalFailure())
            openAndCloseItsWindow();
    }

    // Search workers report before their threads end, and closed sockets are
    // deleted at a later turn of the event loop: both are waited for.
    void settle()
    {
        ASSERT_TRUE(waitUntil([this] { return form->runningSearchWorkers() == 0; }, 5000));
        waitUntil([] { return false; }, 300);
        // Qt keeps idle pool threads (each with its own event descriptor) for a
        // while after their work; how many are still idle depends on the
        // machine's load, not on this program, so they are ended here.
        QThreadPool::globalInstance()->waitForDone();
    }

    test::FixedAddresses addresses{{loopbackAddress(0), 1}};
    RecordingPrompter prompts;
    SharedWindows* windows = nullptr;
    std::unique_ptr<TmainForm> form;
};

}  // namespace

TEST_F(ManagerResourcesTest, FiftySearchesAndWindowsLeaveNoDescriptorOrThreadBehind)
{
    SimProcess sim(simPath(), {"--bind", loopbackText(1), "--module", "address=" + loopbackText(1)});
    ASSERT_TRUE(sim.ready()) << sim.error;

    // The first round makes what lives for the whole run (the shared windows'
    // pieces, Qt's own helpers); what is held after it is the measure.
    round();
    settle();
    ASSERT_FALSE(HasFatalFailure());
    const Held before = held();
    const std::string namesBefore = heldNames();

    for (int i = 0; i < kRounds && !HasFatalFailure(); ++i)
        round();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(form->findChildren<TcfgForm*>().size(), qsizetype(kRounds + 1));
    settle();
    // A worker thread that has reported may still be on its way out.
    waitUntil(
        [&] {
            const Held now = held();
            return now.descriptors == before.descriptors && now.threads == before.threads;
        },
        5000);
    const Held after = held();
    EXPECT_EQ(after.descriptors, before.descriptors) << "before:\n" << namesBefore << "after:\n" << heldNames();
    EXPECT_EQ(after.threads, before.threads) << "before:\n" << namesBefore << "after:\n" << heldNames();
    EXPECT_GE(sim.requestCount(), std::size_t(kRounds + 1));
    EXPECT_TRUE(prompts.prompts.empty());
}
