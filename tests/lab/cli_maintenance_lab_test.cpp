// quillmar-cli reboot and upgrade as programs in the lab's PC namespace, with
// the real route and neighbour tables and the real timing: the module on
// 203.0.113.0/24 is reached only through the PC's second interface, and the
// PC's tables are the same after every outcome as before it.
#include <gtest/gtest.h>

#include <fstream>

#include "lab/maintenance_lab.h"

using namespace quillmar::test;

namespace {

using CliMaintenanceLab = MaintenanceLabTest;

TEST_F(CliMaintenanceLab, RebootThroughTheSecondInterface)
{
    SimProcess& sim = lab->startSim("mb", {"--session", std::string("address=") + kLinkBModule + ",password=lab1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const HostTablesSnapshot before = tables();

    std::string out;
    const int status = lab->run("pc", {QUILLMAR_CLI_PATH, "reboot", kLinkBModule, kLinkBMac, "--password", "lab1"},
                                &out);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.rfind("Device rebooting now! \n", 0), 0u) << out;
    EXPECT_EQ(sim.lines("command", "does", "reboot").size(), 1u);
    const auto opened = sim.lines("session-open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].fields.at("from").rfind("198.51.100.1:", 0), 0u);
    EXPECT_EQ(tables(), before);
}

// A signal before the hand-over (the first interface still being tried) and
// one during the download: the session's entries go, the program ends with
// 130, and only the second says the printer stays in its loader.
TEST_F(CliMaintenanceLab, AStoppedUpgradeSaysWhetherThePrinterStaysInItsLoader)
{
    const std::string link = dir + "/com3";
    SimProcess& sim = lab->startSim("mb", {"--session", std::string("address=") + kLinkBModule, "--loader-pty",
                                           link + ",image=" + dir + "/received.bin"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    std::ofstream(dir + "/firmware.bin", std::ios::binary) << std::string(128 * 40, '\x5A');
    const HostTablesSnapshot before = tables();
    // A job started with & ignores SIGINT unless told otherwise.
    const std::string script =
        "QUILLMAR_COM3=\"$1\" env --default-signal=INT \"$0\" upgrade \"$2\" \"$3\" \"$4\" --port COM3 2>\"$5\" &\n"
        "pid=$!; i=0; until grep -q \"$7\" \"$5\" || [ $i -ge 300 ]; do sleep 0.1; i=$((i+1)); done\n"
        "kill -\"$6\" $pid; wait $pid; echo status=$?; cat \"$5\"\n";
    const std::string stopped =
        "quillmar-cli upgrade: stopped before the end; nothing is left in the PC's route and neighbour tables\n";
    const std::string staysInLoader = "The printer will stay in its loader until an upgrade completes.\n";
    struct Case {
        const char* signal;
        const char* after;
        bool handedOver;
    };
    for (const Case& c : {Case{"TERM", "^connect to device", false}, Case{"INT", "blocks$", true}}) {
        std::string out;
        lab->run("pc",
                 {"/bin/sh", "-c", script, QUILLMAR_CLI_PATH, link, kLinkBModule, kLinkBMac, dir + "/firmware.bin",
                  dir + "/err.txt", c.signal, c.after},
                 &out);
        EXPECT_NE(out.find("status=130\n"), std::string::npos) << out;
        EXPECT_NE(out.find("\nstopping...\n"), std::string::npos) << out;
        EXPECT_NE(out.find(c.handedOver ? stopped + staysInLoader : stopped), std::string::npos) << out;
        EXPECT_EQ(out.find("stay in its loader") != std::string::npos, c.handedOver) << out;
        EXPECT_EQ(tables(), before) << c.signal;
    }
    EXPECT_EQ(sim.lines("command", "does", "loader").size(), 1u);
    const std::size_t blocks = sim.lines("loader-block").size();
    EXPECT_GT(blocks, 0u);
    EXPECT_LT(blocks, 40u);
    EXPECT_TRUE(sim.lines("loader-image").empty());
}

}  // namespace
