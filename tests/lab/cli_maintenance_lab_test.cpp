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

// SIGTERM while the loader is awaited: the session's entries go, the program
// says so and ends with 130.
TEST_F(CliMaintenanceLab, AnUpgradeStoppedBySigtermLeavesTheTablesAsTheyWere)
{
    const std::string link = dir + "/com3";
    SimProcess& sim = lab->startSim("mb", {"--session", std::string("address=") + kLinkBModule, "--loader-pty",
                                           link + ",image=" + dir + "/received.bin,nak=never"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    std::ofstream(dir + "/firmware.bin", std::ios::binary) << std::string(128 * 8, '\x5A');
    const HostTablesSnapshot before = tables();

    const std::string script =
        "QUILLMAR_COM3=\"$1\" \"$0\" upgrade \"$2\" \"$3\" \"$4\" --port COM3 2>\"$5\" & pid=$!\n"
        "i=0; until grep -q '^downloading' \"$5\" || [ $i -ge 300 ]; do sleep 0.1; i=$((i+1)); done\n"
        "kill -TERM $pid; wait $pid; echo status=$?; cat \"$5\"\n";
    std::string out;
    lab->run("pc",
             {"/bin/sh", "-c", script, QUILLMAR_CLI_PATH, link, kLinkBModule, kLinkBMac, dir + "/firmware.bin",
              dir + "/err.txt"},
             &out);
    EXPECT_NE(out.find("status=130\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nstopping...\n"), std::string::npos) << out;
    EXPECT_NE(out.find("quillmar-cli upgrade: stopped before the end; nothing is left in the PC's route and "
                       "neighbour tables\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(sim.lines("command", "does", "loader").size(), 1u);
    EXPECT_TRUE(sim.lines("loader-block").empty());
    EXPECT_EQ(tables(), before);
}

}  // namespace
