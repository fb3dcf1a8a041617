// "Save to Module" in the lab with the real timing (one-second ticks, the probe
// at tick 19, the verdict at tick 31): from the manager's window to a module
// that restarts under its new address, to one that keeps answering at its old
// address, and to one that answers the save itself.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "config/cfg_form.h"
#include "lab/manager_lab.h"
#include "record/program_flags.h"
#include "support/config_window_driver.h"
#include "ui/ip_address_edit.h"

using namespace quillmar;
using namespace quillmar::test;

namespace {

constexpr int kSaveLimitMs = 60000;

class ConfigSaveLabTest : public ManagerLabTest {
protected:
    // What the manager does: its first search lists the module, and a
    // double-click on the row opens the configuration window.
    TcfgForm* openFromTheManager()
    {
        if (!showManager())
            return nullptr;
        auto* list = controlIn<QTableView>(*mainForm, "deviceListView");
        list->selectionModel()->select(mainForm->deviceListModel()->index(0, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        mainForm->deviceListViewDblClick();
        return mainForm->findChild<TcfgForm*>();
    }

    // One save's datagrams as `module` saw them, all from the PC's port 6000
    // (`pcPort`): the read that found it there, the header, the record, and
    // (once sent) the probe.
    static void expectSaveDatagrams(SimProcess& module, const std::string& pcPort = kLabPcPort,
                                    const std::string& to = kLabModule)
    {
        const auto headers = module.lines("request", "kind", "save-header");
        ASSERT_EQ(headers.size(), 1u);
        EXPECT_EQ(headers[0].fields.at("from"), pcPort);
        EXPECT_EQ(headers[0].fields.at("to"), to);
        const auto records = module.lines("request", "kind", "save-record");
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].fields.at("from"), pcPort);
        EXPECT_EQ(records[0].fields.at("len"), "256");
        std::vector<SimLogLine> reads;
        for (const SimLogLine& line : module.lines("request", "from", pcPort)) {
            if (line.fields.at("kind") == "search")
                reads.push_back(line);
        }
        ASSERT_FALSE(reads.empty());
        EXPECT_EQ(reads[0].fields.at("from"), pcPort);
        EXPECT_LE(between(reads[0], headers[0]), 2000);  // the opening read came first
        EXPECT_GE(between(reads[0], headers[0]), 0);
    }
    void expectSaveDatagrams() { expectSaveDatagrams(*sim); }

    // The read requests from the PC's port 6000 after the save header, before
    // the verdict: the probe. (The read-back asks from the verdict on, at
    // tick 31.)
    std::vector<SimLogLine> probes(SimProcess* module = nullptr, const std::string& pcPort = kLabPcPort)
    {
        module = module ? module : sim;
        const auto headers = module->lines("request", "kind", "save-header");
        std::vector<SimLogLine> reads;
        if (headers.empty())
            return reads;
        for (const SimLogLine& line : module->lines("request", "from", pcPort)) {
            const long long after = between(headers.back(), line);
            if (line.fields.at("kind") == "search" && after > 0 && after < 25000)
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
        QObject::connect(controlIn<QTimer>(window, "Timer1"), &QTimer::timeout, [this, &window, &watch] {
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
};

TEST_F(ConfigSaveLabTest, ManagerWindowSaveToARestartingModuleIsConfirmedAtAbout31Seconds)
{
    ASSERT_TRUE(startModule("save=restart,restartAfter=40").ready()) << sim->error;
    enterPc();
    RecordingPrompter prompts;
    ScopedStateHome home;
    TcfgForm* window = openFromTheManager();
    ASSERT_NE(window, nullptr);
    controlIn<QLineEdit>(*window, "Edit_SSID")->setText(QStringLiteral("MovedNet"));
    window->moduleAddressControl()->setValue(0xC0000215u);  // 192.0.2.21

    TickWatch watch;
    watchTicks(*window, watch);
    QElapsedTimer clock;
    clock.start();
    controlIn<QPushButton>(*window, "saveModuleBtn")->click();
    ASSERT_TRUE(
        waitUntil([&] { return text(window, "Label53") == QStringLiteral("Save to Module OK"); }, kSaveLimitMs));
    RecordProperty("save_seconds", std::to_string(clock.elapsed() / 1000.0));
    EXPECT_EQ(watch.verdictTick, 31);
    auto* exitButton = controlIn<QPushButton>(*window, "abortBtn");
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
    // The one question: the changes, before anything was written.
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("Save to Module: LAB-20 (00-1F-7C-00-02-14) at 192.0.2.20\n\n"
                                                          "IP Address: 192.0.2.20 -> 192.0.2.21\nSSID: LabNet -> "
                                                          "MovedNet\nWi-Fi: SSID MovedNet could not be checked: "
                                                          "there is no system bus to ask NetworkManager on\n\n"
                                                          "Save these changes?")});

    // The record as the module had it was backed up, and the save is in the audit log.
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 1);
    EXPECT_EQ(audit[0].value("operation").toString(), QStringLiteral("window save"));
    EXPECT_EQ(audit[0].value("address").toString(), QStringLiteral("192.0.2.20"));
    EXPECT_EQ(audit[0].value("macAddress").toString(), QStringLiteral("00-1F-7C-00-02-14"));
    EXPECT_EQ(audit[0].value("verdict").toString(), QStringLiteral("confirmed"));
    const QJsonObject changes = audit[0].value("changes").toObject();
    EXPECT_EQ(changes.value("ssid").toObject().value("from").toString(), QStringLiteral("LabNet"));
    EXPECT_EQ(changes.value("ssid").toObject().value("to").toString(), QStringLiteral("MovedNet"));
    EXPECT_EQ(changes.value("ipAddress").toObject().value("to").toString(), QStringLiteral("192.0.2.21"));
    QFile backup(audit[0].value("backup").toString());
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly)) << backup.fileName().toStdString();
    const QByteArray before = backup.readAll();
    EXPECT_EQ(DeviceEntry::fromBytes(before.constData(), std::size_t(before.size())).text(DeviceField::Ssid), "LabNet");
}

TEST_F(ConfigSaveLabTest, AModuleStillAnsweringAtItsOldAddressEndsNotConfirmedAtTheDecidingTick)
{
    ASSERT_TRUE(startModule("save=keep").ready()) << sim->error;
    enterPc();
    ConfigWindowDriver w;
    DeviceEntry entry = kitchenPrinter(kLabModule, kLabModuleMac);
    TcfgForm& f = w.open(entry);
    TickWatch watch;
    watchTicks(f, watch);
    int verdictTick = 0;
    QObject::connect(controlIn<QTimer>(f, "Timer1"), &QTimer::timeout, [&] {
        if (verdictTick == 0 && w.label("Label53") == QStringLiteral("Save to Module not confirmed"))
            verdictTick = watch.ticks;
    });

    QTest::mouseClick(w.button("saveModuleBtn"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !f.saveExchange().isRunning(); }, kSaveLimitMs));
    EXPECT_EQ(w.label("Label53"), QStringLiteral("Save to Module not confirmed"));
    EXPECT_EQ(verdictTick, 31);
    EXPECT_FALSE(controlIn<QTimer>(f, "Timer1")->isActive());
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());
    EXPECT_EQ(w.button("abortBtn")->text(), QStringLiteral("Abort"));

    expectSaveDatagrams();
    expectProbeAtTick19(watch);
    EXPECT_EQ(sim->lines("reply", "from", kLabPcPort).size(), 2u);  // the opening read and the probe
}

// A module whose link is down, and a port 6000 another program holds: the
// save ends at once with its message and the module hears nothing of a save.
TEST_F(ConfigSaveLabTest, NoModuleOnTheLinkOrThePortHeldElsewhereSendsNoSave)
{
    ASSERT_TRUE(startModule("save=restart").ready()) << sim->error;
    enterPc();
    ConfigWindowDriver w;
    TcfgForm& f = w.open(kitchenPrinter(kLabModule, kLabModuleMac));

    // Another program on port 6000: a child process that binds it and waits.
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(6000);
        ::bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any);
        ::pause();
        ::_exit(0);
    }
    ASSERT_GT(holder, 0);
    ASSERT_TRUE(waitUntil(
        [] {
            const int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
            sockaddr_in any{};
            any.sin_family = AF_INET;
            any.sin_port = htons(6000);
            const bool taken = ::bind(probe, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0;
            ::close(probe);
            return taken;
        },
        5000));
    QTest::mouseClick(w.button("saveModuleBtn"), Qt::LeftButton);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_TRUE(w.prompter.prompts[0].text.contains(QStringLiteral("port 6000 is in use by another program")))
        << w.prompter.prompts[0].text.toStdString();
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());

    // The link is down: only the read goes out, and the save ends within the
    // read's two seconds.
    w.prompter.prompts.clear();
    ASSERT_EQ(lab->run("ma", {"ip", "link", "set", "eth0", "down"}), 0);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(w.button("saveModuleBtn"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !w.prompter.prompts.empty(); }, 10000));
    RecordProperty("no_answer_ms", std::to_string(clock.elapsed()));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(w.prompter.texts(), QStringList{QStringLiteral("no answer from 192.0.2.20: nothing was saved")});
    EXPECT_FALSE(controlIn<QTimer>(f, "Timer1")->isActive());
    EXPECT_TRUE(w.button("saveModuleBtn")->isEnabled());
    EXPECT_TRUE(w.button("abortBtn")->isEnabled());

    EXPECT_TRUE(sim->lines("request", "kind", "save-header").empty());
    EXPECT_TRUE(sim->lines("request", "kind", "save-record").empty());
}

TEST_F(ConfigSaveLabTest, AModuleAnsweringTheSaveRefreshesTheBoxesAndIsThenConfirmed)
{
    ASSERT_TRUE(startModule("save=restart,restartAfter=40,answerSave=1,authMode=SHARED,encryType=WEP").ready())
        << sim->error;
    enterPc();
    ConfigWindowDriver w;
    DeviceEntry entry = kitchenPrinter(kLabModule, kLabModuleMac);
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
    EXPECT_EQ(w.edit("Edit_mac")->text(), QLatin1String(kLabModuleMac));

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
// saved alone, moving 192.0.2.20 -> .21, then A and B at the same time, A
// moving back to .20. Every datagram of both leaves the PC's port 6000.
TEST_F(ConfigSaveLabTest, TwoWindowsOnTwoNetworksSaveOneAfterTheOtherAndAtTheSameTime)
{
    ASSERT_TRUE(startModule("save=restart,restartAfter=5").ready()) << sim->error;
    SimProcess* moduleA = sim;
    ASSERT_TRUE(lab->addHost("mb", 'b', {"198.51.100.20/24@00-1F-7C-00-03-14"})) << lab->error;
    SimProcess& moduleB = lab->startSim(
        "mb", {"--module", "address=198.51.100.20,deviceName=LAB-B,macAddress=00-1F-7C-00-03-14,save=restart,"
                           "restartAfter=40"});
    ASSERT_TRUE(moduleB.ready()) << moduleB.error;
    enterPc();
    ConfigWindowDriver w;
    TcfgForm& a = w.open(kitchenPrinter(kLabModule, kLabModuleMac));
    TcfgForm& b = w.open(kitchenPrinter("198.51.100.20", "00-1F-7C-00-03-14"));
    controlIn<QLineEdit>(a, "Edit_SSID")->setText(QStringLiteral("ShopA"));
    controlIn<QLineEdit>(b, "Edit_SSID")->setText(QStringLiteral("ShopB"));
    const auto confirmed = [](TcfgForm& f) {
        return controlIn<QLabel>(f, "Label53")->text() == QStringLiteral("Save to Module OK");
    };

    // A alone; B's window is open and idle.
    a.moduleAddressControl()->setValue(0xC0000215u);  // 192.0.2.21
    QTest::mouseClick(controlIn<QPushButton>(a, "saveModuleBtn"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return confirmed(a); }, kSaveLimitMs));
    expectSaveDatagrams(*moduleA);
    EXPECT_EQ(probes(moduleA).size(), 1u);
    EXPECT_EQ(storedRecord().text(DeviceField::IpAddress), kLabModuleMoved);
    EXPECT_TRUE(moduleB.lines("request").empty());

    // Both at once.
    a.moduleAddressControl()->setValue(0xC0000214u);  // back to 192.0.2.20
    QTest::mouseClick(controlIn<QPushButton>(a, "saveModuleBtn"), Qt::LeftButton);
    QTest::mouseClick(controlIn<QPushButton>(b, "saveModuleBtn"), Qt::LeftButton);
    ASSERT_TRUE(
        waitUntil([&] { return !a.saveExchange().isRunning() && !b.saveExchange().isRunning(); }, kSaveLimitMs));
    EXPECT_EQ(controlIn<QLabel>(a, "Label53")->text().toStdString(), "Save to Module OK");
    // B keeps its address: a module restarting there is silent at its probe.
    EXPECT_EQ(controlIn<QLabel>(b, "Label53")->text().toStdString(), "Save to Module OK");

    const auto storedA = moduleA->lines("stored");
    ASSERT_EQ(storedA.size(), 2u);
    EXPECT_EQ(storedRecord().text(DeviceField::IpAddress), kLabModule);
    EXPECT_EQ(storedRecord().text(DeviceField::Ssid), "ShopA");
    EXPECT_EQ(storedRecord().text(DeviceField::MacAddress), kLabModuleMac);
    // A's second save, its read and its probe went to where the module had moved.
    const auto headersA = moduleA->lines("request", "kind", "save-header");
    ASSERT_EQ(headersA.size(), 2u);
    EXPECT_EQ(headersA[1].fields.at("to"), kLabModuleMoved);
    for (const SimLogLine& line : moduleA->lines("request"))
        EXPECT_EQ(line.fields.at("from"), kLabPcPort) << line.fields.at("kind");

    expectSaveDatagrams(moduleB, "198.51.100.1:6000", "198.51.100.20");
    EXPECT_EQ(probes(&moduleB, "198.51.100.1:6000").size(), 1u);
    for (const SimLogLine& line : moduleB.lines("request"))
        EXPECT_EQ(line.fields.at("from"), "198.51.100.1:6000") << line.fields.at("kind");
    const auto storedB = moduleB.lines("stored");
    ASSERT_EQ(storedB.size(), 1u);
    const QByteArray bytesB = QByteArray::fromHex(QByteArray::fromStdString(storedB[0].fields.at("record")));
    const DeviceEntry recordB = DeviceEntry::fromBytes(bytesB.constData(), std::size_t(bytesB.size()));
    EXPECT_EQ(recordB.text(DeviceField::Ssid), "ShopB");
    EXPECT_EQ(recordB.text(DeviceField::MacAddress), "00-1F-7C-00-03-14");
    EXPECT_TRUE(w.prompter.prompts.empty());
}

}  // namespace
