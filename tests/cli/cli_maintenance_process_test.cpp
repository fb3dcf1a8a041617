// quillmar-cli reboot as a process without CAP_NET_ADMIN (dropped by
// setpriv): the program ends with the worker's message and exit status 1
// before anything is sent. Runs to a module are in the lab
// (cli_maintenance_lab_test).
#include <gtest/gtest.h>

#include "support/program_run.h"
#include "support/sim_process.h"

namespace quillmar {
namespace {

using test::runProgram;

TEST(CliMaintenanceProcess, WithoutTheNetworkPrivilegeNothingIsSent)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--session", "address=127.0.0.1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const auto run = runProgram({"/usr/bin/setpriv", "--bounding-set=-net_admin", "--inh-caps=-net_admin",
                                 QUILLMAR_CLI_PATH, "reboot", "127.0.0.1", "02:51:7f:00:00:01"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "quillmar-cli reboot: missing privilege CAP_NET_ADMIN: reaching the device needs a temporary "
                       "route and neighbour entry. Run as root, or give the programs the capability once:\n"
                       "sudo setcap cap_net_admin+ep build/release/quillmar-manager build/release/quillmar-cli\n");
    EXPECT_TRUE(sim.lines("session-open").empty());
}

}  // namespace
}  // namespace quillmar
