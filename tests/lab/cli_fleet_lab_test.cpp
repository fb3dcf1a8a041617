// quillmar-cli's fleet work in the lab: config set --all to forty modules on
// the PC's two networks with the real timing, a backup and its restore, and
// discover --watch seeing modules go silent, come back and change.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>
#include <tuple>

#include "history/record_backups.h"
#include "lab/lab_process.h"
#include "lab/save_lab.h"
#include "support/state_home.h"

using namespace quillmar;
using namespace quillmar::test;
using namespace std::chrono_literals;

namespace {

// quillmar-sim's MAC for a module address: 02-51 and the four octets.
std::string simMac(int a, int b, int c, int d)
{
    char text[18];
    std::snprintf(text, sizeof text, "02-51-%02X-%02X-%02X-%02X", a, b, c, d);
    return text;
}

DeviceEntry recordOf(const SimLogLine& stored)
{
    const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(stored.fields.at("record")));
    return DeviceEntry::fromBytes(bytes.constData(), std::size_t(bytes.size()));
}

using FleetLabTest = LabTest;

TEST_F(FleetLabTest, ConfigSetAllConfirmsFortyModulesOnTwoNetworksInAboutOneSaveTime)
{
    const ScopedStateHome state;
    std::vector<std::string> onA;
    std::vector<std::string> onB;
    for (int i = 100; i < 120; ++i) {
        onA.push_back("192.0.2." + std::to_string(i) + "/24");
        onB.push_back("198.51.100." + std::to_string(i) + "/24");
    }
    ASSERT_TRUE(lab->addHost("ma", 'a', onA)) << lab->error;
    ASSERT_TRUE(lab->addHost("mb", 'b', onB)) << lab->error;
    SimProcess& a = lab->startSim("ma", {"--generate", "20,address=192.0.2.100"});
    // The last module keeps answering at its address after it stored the record.
    SimProcess& b = lab->startSim(
        "mb", {"--generate", "19,address=198.51.100.100", "--module", "address=198.51.100.119,save=keep"});
    ASSERT_TRUE(a.ready()) << a.error;
    ASSERT_TRUE(b.ready()) << b.error;

    std::string out;
    const auto start = std::chrono::steady_clock::now();
    const int status = lab->run("pc", {QUILLMAR_CLI_PATH, "config", "set", "--all", "ssid=Shop2", "--json"}, &out);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("wall_seconds", std::to_string(seconds));
    EXPECT_EQ(status, 1) << out;
    // One save decides at its 31st tick; the search lists the modules within
    // its first second, and the saves start as they are listed.
    EXPECT_LT(seconds, 37.0);
    EXPECT_GT(seconds, 30.0);

    std::map<QString, QString> verdicts;
    for (const QJsonValue& row : QJsonDocument::fromJson(QByteArray::fromStdString(out)).array())
        verdicts[row[QStringLiteral("address")].toString()] = row[QStringLiteral("verdict")].toString();
    ASSERT_EQ(verdicts.size(), 40u) << out;
    for (const auto& [address, verdict] : verdicts)
        EXPECT_EQ(verdict, address == "198.51.100.119" ? "unconfirmed" : "confirmed") << address.toStdString();

    // Each simulated module stored exactly one record, its own, with the new SSID.
    for (const auto& [sim, prefix, octets] : {std::tuple{&a, std::string("192.0.2."), std::array{192, 0, 2}},
                                              std::tuple{&b, std::string("198.51.100."), std::array{198, 51, 100}}}) {
        for (int i = 100; i < 120; ++i) {
            const std::string address = prefix + std::to_string(i);
            const auto stored = sim->lines("stored", "module", address);
            ASSERT_EQ(stored.size(), 1u) << address;
            const DeviceEntry record = recordOf(stored[0]);
            EXPECT_EQ(record.text(DeviceField::MacAddress), simMac(octets[0], octets[1], octets[2], i)) << address;
            EXPECT_EQ(record.text(DeviceField::IpAddress), address);
            EXPECT_EQ(record.text(DeviceField::DeviceName), "SIM-" + std::to_string(i));
            EXPECT_EQ(record.text(DeviceField::Ssid), "Shop2");
            EXPECT_EQ(record.text(DeviceField::WpaPsk), "lab-passphrase-1");
        }
    }
    EXPECT_EQ(listBackups(QFile::encodeName(state.backups())).size(), 40u);
}

TEST_F(SaveLabTest, ABackupIsTakenBeforeTheSaveAndRestorePutsTheOldRecordBack)
{
    const ScopedStateHome state;
    ASSERT_TRUE(startModule("save=restart,restartAfter=4").ready()) << sim->error;
    // Ticks of 100 ms: the save decides after 3.1 s, before the module is back.
    ASSERT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "config", "set", kLabModule, "ssid=Shop3", "--tick-ms", "100"}), 0);
    auto backups = listBackups(QFile::encodeName(state.backups()), QStringLiteral("00-1F-7C-00-02-14"));
    ASSERT_EQ(backups.size(), 1u);
    const DeviceEntry old = backups[0].record;
    EXPECT_EQ(old.text(DeviceField::Ssid), "LabNet");
    EXPECT_EQ(old.text(DeviceField::DeviceName), "LAB-20");
    EXPECT_EQ(storedRecord().text(DeviceField::Ssid), "Shop3");

    bool back = false;
    for (int i = 0; i < 20 && !back; ++i)
        back = lab->run("pc", {QUILLMAR_CLI_PATH, "config", "show", kLabModule}) == 0;
    ASSERT_TRUE(back);
    ASSERT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "config", "restore", kLabModule, backups[0].path.toStdString(),
                              "--tick-ms", "100"}),
              0);
    EXPECT_EQ(storedRecord(), old);
    backups = listBackups(QFile::encodeName(state.backups()), QStringLiteral("00-1F-7C-00-02-14"));
    ASSERT_EQ(backups.size(), 2u);  // the restore backed up what it replaced
    EXPECT_EQ(backups[1].record.text(DeviceField::Ssid), "Shop3");
}

// A Wi-Fi key for --all goes to whatever answered the broadcast, a stranger's
// host included: the run lists them and needs a "y" on a terminal, or --yes.
TEST_F(FleetLabTest, AWifiKeyForAllIsSentOnlyOnceConfirmed)
{
    const ScopedStateHome state;
    ASSERT_TRUE(lab->addHost("ma", 'a', {"192.0.2.30/24"})) << lab->error;
    ASSERT_TRUE(lab->addHost("mx", 'a', {"192.0.2.66/24"})) << lab->error;
    // Both keep answering after a save, so that every run finds them again.
    SimProcess& module = lab->startSim("ma", {"--module", "address=192.0.2.30,save=keep"});
    SimProcess& stranger = lab->startSim("mx", {"--module", "address=192.0.2.66,save=keep"});
    ASSERT_TRUE(module.ready() && stranger.ready());
    const std::string setKey = "\"$0\" config set --all wpaPsk=NewSecret1 --quick --tick-ms 100";
    // `script` gives the program a terminal and types what it reads.
    const auto onTerminal = [&](const char* typed) {
        return std::string("printf '") + typed + "\\n' | script -qec \"" + setKey + "; echo status=\\$?\" /dev/null";
    };
    struct Case {
        const char* name;
        std::string script;
        std::vector<std::string> said;
        std::size_t storedEach;  // records each module holds afterwards
    };
    const Case cases[] = {
        {"no terminal",
         setKey + " </dev/null 2>&1; echo status=$?",
         {"status=2", "a Wi-Fi key goes to every module that answers --all only when confirmed on a terminal, or "
                      "with --yes; nothing is sent"},
         0},
        {"declined",
         onTerminal("n"),
         {"status=2", "The Wi-Fi key goes to these 2 modules:", "02-51-C0-00-02-1E  192.0.2.30  RX7000 WI-FI",
          "02-51-C0-00-02-42  192.0.2.66  RX7000 WI-FI", "Send it to them? [y/N]", "not confirmed; nothing is sent"},
         0},
        {"confirmed", onTerminal("y"), {"status=1", "Send it to them? [y/N]"}, 1},
        {"--yes", setKey + " --yes </dev/null 2>&1; echo status=$?", {"status=1", "The Wi-Fi key goes to these 2"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t heardBefore = module.requestCount() + stranger.requestCount();
        std::string out;
        lab->run("pc", {"/bin/sh", "-c", c.script, QUILLMAR_CLI_PATH}, &out);
        for (const std::string& text : c.said)
            EXPECT_NE(out.find(text), std::string::npos) << text << " in:\n" << out;
        if (&c == &cases[0]) {
            EXPECT_EQ(module.requestCount() + stranger.requestCount(), heardBefore) << "not even a search";
        }
        for (SimProcess* sim : {&module, &stranger}) {
            const auto stored = sim->lines("stored");
            ASSERT_EQ(stored.size(), c.storedEach);
            if (!stored.empty()) {
                EXPECT_EQ(recordOf(stored.back()).text(DeviceField::WpaPsk), "NewSecret1");
            }
        }
    }
}

TEST_F(FleetLabTest, DiscoverWatchSeesModulesGoSilentComeBackAndChange)
{
    ASSERT_TRUE(lab->addHost("ma", 'a', {"192.0.2.10/24"})) << lab->error;
    ASSERT_TRUE(lab->addHost("mb", 'b', {"198.51.100.10/24"})) << lab->error;
    const std::vector<std::string> alpha{"--module", "address=192.0.2.10,deviceName=ALPHA"};
    SimProcess* a = &lab->startSim("ma", alpha);
    SimProcess* b = &lab->startSim("mb", {"--module", "address=198.51.100.10,deviceName=BRAVO"});
    ASSERT_TRUE(a->ready() && b->ready());
    const std::string macA = simMac(192, 0, 2, 10);
    const std::string macB = simMac(198, 51, 100, 10);

    LabProcess watch(*lab, "pc", {QUILLMAR_CLI_PATH, "discover", "--watch", "--interval", "1", "--json"});
    // Events are looked for among the lines printed since `since`.
    std::size_t since = 0;
    const auto event = [&](const std::string& kind, const std::string& mac, std::chrono::milliseconds limit) {
        const auto line = watch.lineWhere(
            [&](const std::string& text) {
                const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
                return object[QStringLiteral("event")].toString().toStdString() == kind
                       && object[QStringLiteral("macAddress")].toString().toStdString() == mac;
            },
            since, limit);
        return line ? QJsonDocument::fromJson(QByteArray::fromStdString(*line)).object() : QJsonObject();
    };

    // One search (about 9 s) finds both networks' modules.
    const QJsonObject appeared = event("appeared", macA, 15s);
    ASSERT_FALSE(appeared.isEmpty());
    EXPECT_EQ(appeared[QStringLiteral("address")], "192.0.2.10");
    EXPECT_EQ(appeared[QStringLiteral("deviceName")], "ALPHA");
    EXPECT_FALSE(appeared[QStringLiteral("time")].toString().isEmpty());
    ASSERT_FALSE(event("appeared", macB, 15s).isEmpty());

    // A stops answering and starts again.
    since = watch.mark();
    a->stop();
    const QJsonObject silent = event("silent", macA, 25s);
    ASSERT_FALSE(silent.isEmpty());
    EXPECT_EQ(silent[QStringLiteral("address")], "192.0.2.10");
    since = watch.mark();
    a = &lab->startSim("ma", alpha);
    ASSERT_TRUE(a->ready());
    ASSERT_FALSE(event("appeared", macA, 25s).isEmpty());

    // B comes back at once with another device name: changed, never silent.
    since = watch.mark();
    b->stop();
    b = &lab->startSim("mb", {"--module", "address=198.51.100.10,deviceName=CHARLIE"});
    ASSERT_TRUE(b->ready());
    const QJsonObject changed = event("changed", macB, 25s);
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_EQ(changed[QStringLiteral("changed")].toArray(), QJsonArray{QStringLiteral("deviceName")});
    EXPECT_EQ(changed[QStringLiteral("deviceName")], "CHARLIE");
    for (const std::string& line : watch.seen()) {
        const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        EXPECT_FALSE(object[QStringLiteral("event")] == "silent"
                     && object[QStringLiteral("macAddress")] == macB.c_str())
            << line;
    }

    // Ctrl-C ends the watch within one wait for replies.
    EXPECT_EQ(watch.stop(SIGINT, 5s), 0);
}

}  // namespace
