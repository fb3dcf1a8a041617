// "Save to Module" in the lab with the real timing (one-second ticks, the probe
// at tick 19, the verdict at tick 31): from the manager's window to a module
// that restarts under its new address, to one that keeps answering at its old
// address, and to one that answers the save itself.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "config/cfg_form.h"
#include "lab/save_lab.h"
#include "record/program_flags.h"
#include "support/config_window_driver.h"
#include "ui/ip_address_edit.h"

using namespace quillmar;
using namespace quillmar::test;

namespace {

constexpr int kSaveLimitMs = 60000;

class ConfigSaveLabTest : public SaveLabTest {
protected:
    void SetUp() override
    {
        SaveLabTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        programFlags() = ProgramFlags{};
        programFlags().usbToolFlag = 1;
        programFlags().printerFamily = 2;
    }

    void TearDown() override
    {
        mainForm.reset();
        pc.reset();
        SaveLabTest::TearDown();
    }

    void enterPc()
    {
        pc = std::make_unique<LabNetwork::PcScope>(*lab);
        ASSERT_TRUE(pc->entered());
        ASSERT_TRUE(LabNetwork::PcScope::seesOnlyTheLabPc());
    }

    // What the manager does: its first search lists the module, and a
    // double-click on the row opens the configuration window.
    TcfgForm* openFromTheManager()
    {
        createSharedWindows();
        mainForm = std::make_unique<TmainForm>();
        mainForm->show();
        if (!waitUntil([&] { return !mainForm->searching() && mainForm->deviceListModel()->rowCount() == 1; }, 60000))
            return nullptr;
        auto* list = mainForm->findChild<QTableView*>(QStringLiteral("deviceListView"));
        list->selectionModel()->select(mainForm->deviceListModel()->index(0, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        mainForm->deviceListViewDblClick();
        return mainForm->findChild<TcfgForm*>();
    }

    // The save's datagrams as the module saw them, all from the PC's port 6000.
    void expectSaveDatagrams()
    {
        const auto headers = sim->lines("request", "kind", "save-header");
        ASSERT_EQ(headers.size(), 1u);
        EXPECT_EQ(headers[0].fields.at("from"), kLabPcPort);
        EXPECT_EQ(headers[0].fields.at("to"), kLabModule);
        const auto records = sim->lines("request", "kind", "save-record");
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].fields.at("from"), kLabPcPort);
        EXPECT_EQ(records[0].fields.at("len"), "256");
    }

    std::vector<SimLogLine> probes()
    {
        std::vector<SimLogLine> reads;
        for (const SimLogLine& line : sim->lines("request", "from", kLabPcPort)) {
            if (line.fields.at("kind") == "search")
                reads.push_back(line);
        }
        return reads;
    }

    // Counts the window's one-second ticks, notes the tick that reported the
    // save, and the tick that sent the probe: the module's log is read half a
    // tick after each tick, when a probe sent on that tick has arrived and the
    // next tick has not come yet.
    struct TickWatch {
        int ticks = 0;
        int probeTick = 0;
        int verdictTick = 0;
    };
    void watchTicks(TcfgForm& window, TickWatch& watch)
    {
        QObject::connect(window.Timer1, &QTimer::timeout, [this, &window, &watch] {
            const int tick = ++watch.ticks;
            if (watch.verdictTick == 0 && text(&window, "Label53") == QStringLiteral("Save to Module OK"))
                watch.verdictTick = tick;
            QTimer::singleShot(500, &window, [this, &watch, tick] {
                if (watch.probeTick == 0 && !probes().empty())
                    watch.probeTick = tick;
            });
        });
    }

    // The probe: one read request from port 6000 to the address the window was
    // opened with, after the save, sent on the 19th tick.
    void expectProbeAtTick19(const TickWatch& watch)
    {
        const std::vector<SimLogLine> reads = probes();
        ASSERT_EQ(reads.size(), 1u);
        EXPECT_EQ(reads[0].fields.at("to"), kLabModule);
        EXPECT_GT(between(sim->lines("request", "kind", "save-header").at(0), reads[0]), 0);
        EXPECT_EQ(watch.probeTick, 19);
    }

    static QString text(TcfgForm* form, const char* name)
    {
        if (auto* label = form->findChild<QLabel*>(QString::fromLatin1(name)))
            return label->text();
        return {};
    }

    std::unique_ptr<LabNetwork::PcScope> pc;
    std::unique_ptr<TmainForm> mainForm;
};

TEST_F(ConfigSaveLabTest, ManagerWindowSaveToARestartingModuleIsConfirmedAtAbout31Seconds)
{
    ASSERT_TRUE(startModule("save=restart,restartAfter=40").ready()) << sim->error;
    enterPc();
    RecordingPrompter prompts;
    TcfgForm* window = openFromTheManager();
    ASSERT_NE(window, nullptr);
    window->findChild<QLineEdit*>(QStringLiteral("Edit_SSID"))->setText(QStringLiteral("MovedNet"));
    window->moduleAddressControl()->setValue(0xC0000215u);  // 192.0.2.21

    TickWatch watch;
    watchTicks(*window, watch);
    QElapsedTimer clock;
    clock.start();
    window->findChild<QPushButton*>(QStringLiteral("saveModuleBtn"))->click();
    ASSERT_TRUE(waitUntil([&] { return text(window, "Label53") == QStringLiteral("Save to Module OK"); }, kSaveLimitMs));
    RecordProperty("save_seconds", std::to_string(clock.elapsed() / 1000.0));
    EXPECT_EQ(watch.verdictTick, 31);
    auto* exitButton = window->findChild<QPushButton*>(QStringLiteral("abortBtn"));
    EXPECT_EQ(exitButton->text(), QStringLiteral("Exit"));
    EXPECT_TRUE(exitButton->isEnabled());

    expectSaveDatagrams();
    expectProbeAtTick19(watch);
    EXPECT_EQ(sim->lines("silent", "from", kLabPcPort).size(), 1u);  // the probe went unanswered
    // The record the module stored: the new address and SSID; with AES the
    // WPA key goes and the WEP key does not.
    const DeviceEntry stored = storedRecord();
    EXPECT_EQ(stored.text(DeviceField::IpAddress), kLabModuleMoved);
    EXPECT_EQ(stored.text(DeviceField::Ssid), "MovedNet");
    EXPECT_EQ(stored.text(DeviceField::EncryType), "AES");
    EXPECT_EQ(stored.text(DeviceField::Key), "");
    EXPECT_EQ(stored.text(DeviceField::WpaPsk), "lab-passphrase-1");
    EXPECT_EQ(stored.text(DeviceField::DeviceName), "LAB-20");
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(ConfigSaveLabTest, AModuleStillAnsweringAtItsOldAddressIsNeverReportedSaved)
{
    ASSERT_TRUE(startModule("save=keep").ready()) << sim->error;
    enterPc();
    ConfigWindowDriver w;
    DeviceEntry entry = wifiModule(kLabModule);
    TcfgForm& f = w.open(entry);
    // Each status text right after each tick.
    QStringList statuses;
    QObject::connect(f.Timer1, &QTimer::timeout, [&] { statuses << w.label("Label53"); });
    TickWatch watch;
    watchTicks(f, watch);

    w.button("saveModuleBtn")->click();
    ASSERT_TRUE(waitUntil([&] { return f.saveExchange().saveTicks() == 30 && w.label("Label55") == "OK"; },
                          kSaveLimitMs));
    // Three more deciding ticks.
    const qsizetype ticks = statuses.size();
    ASSERT_TRUE(waitUntil([&] { return statuses.size() >= ticks + 3; }, 10000));
    EXPECT_FALSE(statuses.contains(QStringLiteral("Save to Module OK"))) << statuses.join(',').toStdString();
    // The answer's "Response from" gave way to the waiting texts; the exchange
    // waits at the deciding tick.
    EXPECT_EQ(w.label("Label53").toStdString(), "Waiting...");
    EXPECT_FALSE(w.button("abortBtn")->isEnabled());
    EXPECT_TRUE(f.Timer1->isActive());

    expectSaveDatagrams();
    expectProbeAtTick19(watch);
    EXPECT_EQ(sim->lines("reply", "from", kLabPcPort).size(), 1u);  // the probe was answered
    f.close();
    EXPECT_FALSE(f.Timer1->isActive());
}

TEST_F(ConfigSaveLabTest, AModuleAnsweringTheSaveRefreshesTheBoxesAndIsThenConfirmed)
{
    ASSERT_TRUE(startModule("save=restart,restartAfter=40,answerSave=1").ready()) << sim->error;
    enterPc();
    ConfigWindowDriver w;
    DeviceEntry entry = wifiModule(kLabModule);
    entry.setText(DeviceField::AuthMode, "SHARED");
    entry.setText(DeviceField::EncryType, "WEP");
    TcfgForm& f = w.open(entry);
    TickWatch watch;
    watchTicks(f, watch);
    w.edit("Edit_KEY")->setText(QStringLiteral("ABCDE12345"));
    w.edit("Edit_WPAPSK")->setText(QStringLiteral("unused-wpa"));

    w.button("saveModuleBtn")->click();
    ASSERT_TRUE(waitUntil([&] { return w.label("Label53").startsWith(QStringLiteral("Response from")); }, 10000));
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Response from 192.0.2.20"));
    EXPECT_EQ(w.label("Label55"), QStringLiteral("NG"));
    // The module answers with the record it stored; with WEP that record has an
    // empty WPA key, which leaves its box alone.
    EXPECT_EQ(w.edit("Edit_KEY")->text(), QStringLiteral("ABCDE12345"));
    EXPECT_EQ(w.edit("Edit_WPAPSK")->text(), QStringLiteral("unused-wpa"));
    EXPECT_EQ(w.edit("Edit_mac")->text(), QStringLiteral("00-1B-2C-3D-4E-5F"));

    ASSERT_TRUE(waitUntil([&] { return w.label("Label53") == QStringLiteral("Save to Module OK"); }, kSaveLimitMs));
    EXPECT_EQ(w.button("abortBtn")->text(), QStringLiteral("Exit"));
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());
    expectSaveDatagrams();
    expectProbeAtTick19(watch);
    EXPECT_EQ(watch.verdictTick, 31);
    const DeviceEntry stored = storedRecord();
    EXPECT_EQ(stored.text(DeviceField::Key), "ABCDE12345");
    EXPECT_EQ(stored.text(DeviceField::WpaPsk), "");
    EXPECT_EQ(stored.text(DeviceField::EncryType), "WEP");
    EXPECT_TRUE(w.prompter.prompts.empty());
}

}  // namespace

namespace {

// Two windows on two modules on two networks: A on link a, B on link b. A is
// saved twice, moving 192.0.2.20 -> .21 -> .20; B's module hears nothing.
TEST_F(ConfigSaveLabTest, TwoWindowsOnTwoNetworksEachSaveReachesOnlyItsOwnModuleAndFollowsItsMove)
{
    ASSERT_TRUE(startModule("save=restart,restartAfter=5").ready()) << sim->error;
    SimProcess* moduleA = sim;
    ASSERT_TRUE(lab->addHost("mb", 'b', {"198.51.100.20/24"})) << lab->error;
    SimProcess& moduleB = lab->startSim(
        "mb", {"--module", "address=198.51.100.20,deviceName=LAB-B,macAddress=00-1F-7C-00-03-14,save=keep"});
    ASSERT_TRUE(moduleB.ready()) << moduleB.error;
    enterPc();
    ConfigWindowDriver w;
    TcfgForm& a = w.open(wifiModule(kLabModule));
    TcfgForm& b = w.open(kitchenPrinter("198.51.100.20", "00-1F-7C-00-03-14"));
    a.Edit_SSID->setText(QStringLiteral("ShopA"));

    const std::pair<quint32, const char*> moves[] = {{0xC0000215u, kLabModuleMoved}, {0xC0000214u, kLabModule}};
    for (const auto& [address, text] : moves) {
        a.moduleAddressControl()->setValue(address);
        QTest::mouseClick(a.saveModuleBtn, Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return a.Label53->text() == QStringLiteral("Save to Module OK"); }, kSaveLimitMs))
            << text;
        EXPECT_EQ(storedRecord().text(DeviceField::IpAddress), text);
        EXPECT_EQ(a.targetIpText().toStdString(), text);
    }
    const auto stored = moduleA->lines("stored");
    ASSERT_EQ(stored.size(), 2u);
    // The second save and its probe went to where the module had moved.
    const auto headers = moduleA->lines("request", "kind", "save-header");
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[1].fields.at("to"), kLabModuleMoved);
    EXPECT_EQ(storedRecord().text(DeviceField::Ssid), "ShopA");
    EXPECT_EQ(storedRecord().text(DeviceField::MacAddress), "00-1B-2C-3D-4E-5F");

    EXPECT_TRUE(moduleB.lines("request").empty());
    EXPECT_TRUE(moduleB.lines("stored").empty());
    EXPECT_EQ(b.Label53->text(), QString());
    EXPECT_TRUE(w.prompter.prompts.empty());
}

}  // namespace
