// Reboot and firmware upgrade in the lab with the real timing: modules on
// 203.0.113.0/24, a subnet the PC does not have, reached through the temporary
// host route and neighbour entry; the PC's tables are the same after every
// outcome as before it.
#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "lab/maintenance_lab.h"
#include "maintenance/maintenance_result.h"
#include "maintenance/maintenance_steps.h"
#include "platform/local_addresses.h"
#include "support/maintenance_run.h"
#include "support/recording_host_tables.h"

using namespace quillmar;
using namespace quillmar::test;

namespace {

enum class Operation { Reboot, Upgrade };

// Runs one operation as the PC, with the real tables behind a recorder.
struct PcRun {
    int result = 0;
    std::vector<std::string> changes;
    std::vector<std::string> texts;
};

PcRun runAsPc(const LabNetwork& lab, Operation operation, const MaintenanceRequest& request,
              const std::function<void(RecordingHostTables&, std::atomic<bool>&)>& prepare = {},
              bool dropNetAdmin = false)
{
    PcRun run;
    std::thread pc([&] {
        LabNetwork::PcScope scope(lab);
        if (!scope.entered() || !LabNetwork::PcScope::seesOnlyTheLabPc()) {
            run.result = 99;
            return;
        }
        if (dropNetAdmin) {
            // Capabilities set by the raw call belong to this thread alone.
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
            syscall(SYS_capget, &header, data);
            data[CAP_TO_INDEX(CAP_NET_ADMIN)].effective &= ~CAP_TO_MASK(CAP_NET_ADMIN);
            syscall(SYS_capset, &header, data);
        }
        NetlinkHostTables real;
        RecordingHostTables tables(&real);
        std::atomic<bool> stop{false};
        if (prepare)
            prepare(tables, stop);
        RecordingProgress progress;
        TestHelpers helpers(tables, progress);
        const SessionEnvironment environment{IfaddrsAddressSource().read().addresses, &helpers.helpers, &progress,
                                             &stop, MaintenanceTiming{}};
        run.result = operation == Operation::Reboot ? runRebootSteps(request, environment)
                                                    : runUpgradeSteps(request, environment);
        run.changes = tables.changes();
        run.texts = progress.texts();
    });
    pc.join();
    return run;
}

using MaintenanceLab = MaintenanceLabTest;

// One module address per log-in behaviour, all on link a.
TEST_F(MaintenanceLab, LogInLinesRepliesAndTheirResults)
{
    SimProcess& sim = lab->startSim(
        "ma", {"--session", "address=203.0.113.11,password=secret12", "--session", "address=203.0.113.12", "--session",
               "address=203.0.113.13,password=secret12", "--session", "address=203.0.113.14,login=okplus", "--session",
               "address=203.0.113.15,login=empty", "--session", "address=203.0.113.16,login=nopercent", "--session",
               "address=203.0.113.17,login=lfonly", "--session", "address=203.0.113.18,login=silent"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    struct Case {
        const char* address;
        const char* password;
        int result;
        const char* loginLength;
        std::size_t loginLines;
    };
    const Case cases[] = {
        {"203.0.113.11", "secret12-and-more", maintenance::kOk, "22", 1},  // only 8 bytes count
        {"203.0.113.12", "", maintenance::kOk, "6", 1},
        {"203.0.113.13", "secret13", maintenance::kLoginRefused, "22", 1},
        {"203.0.113.14", "", maintenance::kOk, "6", 1},
        {"203.0.113.15", "", maintenance::kLoginFailed, "6", 1},
        {"203.0.113.16", "", maintenance::kLoginFailed, "6", 1},
        {"203.0.113.17", "", maintenance::kLoginFailed, "6", 1},
        {"203.0.113.18", "", maintenance::kLoginFailed, "6", 2},  // silence: sent again after 2 s
    };
    const HostTablesSnapshot before = tables();
    for (const Case& c : cases) {
        const PcRun run = runAsPc(*lab, Operation::Reboot, {"", c.address, kLinkAMac, c.password, ""});
        EXPECT_EQ(run.result, c.result) << c.address;
        const auto logins = sim.lines("command-line", "module", c.address);
        const auto commands = sim.lines("command", "module", c.address);
        ASSERT_GE(logins.size(), c.loginLines) << c.address;
        for (std::size_t i = 0; i < c.loginLines; ++i)
            EXPECT_EQ(logins[i].fields.at("len"), c.loginLength) << c.address;
        // A refused or failed log-in sends no command.
        EXPECT_EQ(commands.size(), c.result == maintenance::kOk ? 1u : 0u) << c.address;
        if (c.result == maintenance::kOk) {
            EXPECT_EQ(commands[0].fields.at("does"), "reboot");
            EXPECT_EQ(logins.size(), c.loginLines + 1);
        }
        EXPECT_EQ(tables(), before) << c.address;
    }
    const auto wrong = sim.lines("login", "token", "wrong");
    ASSERT_EQ(wrong.size(), 1u) << "the token carries the password";
    EXPECT_EQ(wrong[0].fields.at("module"), "203.0.113.13");
    // The simulator checks with this program's own token; what went on the
    // wire is pinned to the token of "secret12" under the built-in key,
    // worked out apart from this program.
    const auto login = sim.lines("command-line", "module", "203.0.113.11");
    ASSERT_FALSE(login.empty());
    EXPECT_EQ(login[0].fields.at("line"), "$LOGd900aaab27a1211b%0D%0A");
}

// The module on link b is reached only through the PC's second interface: the
// first interface's entries go before the second is tried.
TEST_F(MaintenanceLab, OnlyTheSecondInterfaceReachesTheDevice)
{
    SimProcess& sim = lab->startSim("mb", {"--session", std::string("address=") + kLinkBModule});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const HostTablesSnapshot before = tables();
    ASSERT_EQ(before.neighbours.size(), 2u) << before;

    const PcRun run = runAsPc(*lab, Operation::Reboot, {"", kLinkBModule, kLinkBMac, "", ""});
    EXPECT_EQ(run.result, maintenance::kOk);
    ASSERT_EQ(run.changes.size(), 8u);
    EXPECT_TRUE(run.changes[0].starts_with("neigh+ 203.0.113.20 if=")) << run.changes[0];
    EXPECT_TRUE(run.changes[1].starts_with("route+ 203.0.113.20") && run.changes[1].ends_with("src=192.0.2.1"));
    EXPECT_TRUE(run.changes[2].starts_with("route- 203.0.113.20"));
    EXPECT_TRUE(run.changes[3].starts_with("neigh- 203.0.113.20"));
    EXPECT_TRUE(run.changes[5].ends_with("src=198.51.100.1")) << run.changes[5];
    EXPECT_NE(run.changes[4], run.changes[0]) << "another interface";
    EXPECT_TRUE(run.changes[6].starts_with("route- ") && run.changes[7].starts_with("neigh- "))
        << "released after the command";
    const auto opened = sim.lines("session-open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].fields.at("from").starts_with("198.51.100.1:"));
    EXPECT_EQ(tables(), before);
}

TEST_F(MaintenanceLab, CancelAndSilenceLeaveTheTablesAsTheyWere)
{
    SimProcess& sim = lab->startSim("mb", {"--session", std::string("address=") + kLinkBModule});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const HostTablesSnapshot before = tables();

    // "Cancel" while the first interface is being tried: the worker stops
    // before the second.
    const PcRun cancelled = runAsPc(*lab, Operation::Reboot, {"", kLinkBModule, kLinkBMac, "", ""},
                                    [](RecordingHostTables& tables, std::atomic<bool>& stop) {
                                        tables.afterChange = [&stop](const std::string& change) {
                                            if (change.starts_with("route+"))
                                                stop = true;
                                        };
                                    });
    EXPECT_EQ(cancelled.result, maintenance::kStopped);
    EXPECT_EQ(cancelled.changes.size(), 4u);
    EXPECT_TRUE(sim.lines("session-open").empty());
    EXPECT_EQ(tables(), before);

    // Nobody at the address: every interface is tried and cleaned up.
    const PcRun silent = runAsPc(*lab, Operation::Reboot, {"", "203.0.113.30", "02:51:cb:00:71:1e", "", ""});
    EXPECT_EQ(silent.result, maintenance::kNotConnected);
    EXPECT_EQ(silent.changes.size(), 8u);
    EXPECT_EQ(tables(), before);
}

// The PC's own entries for the module's address: a permanent one with another
// MAC on the first interface is used as it is, one the kernel keeps with
// another MAC on the second is replaced for the session and put back after.
TEST_F(MaintenanceLab, ThePcsOwnNeighbourEntriesAreThereAfterAReboot)
{
    SimProcess& sim = lab->startSim("mb", {"--session", std::string("address=") + kLinkBModule});
    ASSERT_TRUE(sim.ready()) << sim.error;
    ASSERT_EQ(lab->run("pc", {"ip", "neigh", "add", kLinkBModule, "lladdr", "02:00:00:00:00:20", "dev", "eth0", "nud",
                              "permanent"}),
              0);
    ASSERT_EQ(lab->run("pc", {"ip", "neigh", "add", kLinkBModule, "lladdr", "02:00:00:00:00:21", "dev", "eth1", "nud",
                              "stale"}),
              0);
    const HostTablesSnapshot before = tables();

    const PcRun run = runAsPc(*lab, Operation::Reboot, {"", kLinkBModule, kLinkBMac, "", ""});
    EXPECT_EQ(run.result, maintenance::kOk);
    EXPECT_EQ(sim.lines("command", "does", "reboot").size(), 1u);
    ASSERT_FALSE(run.changes.empty());
    EXPECT_TRUE(run.changes[0].starts_with("route+ 203.0.113.20")) << "no entry added on eth0";
    EXPECT_TRUE(run.changes.back().starts_with("neigh= 203.0.113.20")) << run.changes.back();
    EXPECT_EQ(tables(), before);
}

TEST_F(MaintenanceLab, UpgradeOnAForeignSubnetOverAPseudoTerminal)
{
    const std::string link = dir + "/com3";
    const std::string received = dir + "/received.bin";
    SimProcess& sim = lab->startSim(
        "mb", {"--session", std::string("address=") + kLinkBModule, "--loader-pty", link + ",image=" + received});
    ASSERT_TRUE(sim.ready()) << sim.error;
    setenv("QUILLMAR_COM3", link.c_str(), 1);
    std::string firmware;
    for (int i = 0; i < 128 * 20 + 50; ++i)
        firmware.push_back(static_cast<char>(i * 13));
    std::ofstream(dir + "/firmware.bin", std::ios::binary) << firmware;
    const HostTablesSnapshot before = tables();

    // Without CAP_NET_ADMIN nothing is sent and nothing changes.
    const PcRun refused = runAsPc(*lab, Operation::Upgrade,
                                  {"COM3", kLinkBModule, kLinkBMac, "", dir + "/firmware.bin"}, {}, true);
    EXPECT_EQ(refused.result, maintenance::kMissingPrivilege);
    EXPECT_TRUE(refused.changes.empty());
    EXPECT_TRUE(sim.lines("session-open").empty());

    const PcRun run = runAsPc(*lab, Operation::Upgrade, {"COM3", kLinkBModule, kLinkBMac, "", dir + "/firmware.bin"});
    EXPECT_EQ(run.result, maintenance::kOk);
    EXPECT_EQ(sim.lines("command", "does", "loader").size(), 1u);
    std::ifstream stored(received, std::ios::binary);
    std::string image{std::istreambuf_iterator<char>(stored), std::istreambuf_iterator<char>()};
    ASSERT_EQ(image.size(), 128u * 21);
    EXPECT_TRUE(image.compare(0, firmware.size(), firmware) == 0);
    EXPECT_EQ(image.find_first_not_of('\x1A', firmware.size()), std::string::npos);
    EXPECT_NE(std::find(run.texts.begin(), run.texts.end(), "downloading...21/21 package"), run.texts.end());
    EXPECT_EQ(tables(), before);
    unsetenv("QUILLMAR_COM3");
}

}  // namespace
