// quillmar-cli reboot and upgrade as processes without CAP_NET_ADMIN (dropped
// by setpriv): the program ends with the workers' message and exit status 1
// before anything is sent. Runs to a module are in the lab
// (cli_maintenance_lab_test).
#include <gtest/gtest.h>

#include <fstream>

#include "support/program_run.h"
#include "support/sim_process.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using test::runProgram;

TEST(CliMaintenanceProcess, WithoutTheNetworkPrivilegeNothingIsSent)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--session", "address=127.0.0.1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::TempDirectory dir;
    const std::string firmware = dir.file("firmware.bin").toStdString();
    std::ofstream(firmware) << "firmware image";
    ::setenv("QUILLMAR_COM4", dir.file("com4").toStdString().c_str(), 1);
    std::ofstream(dir.file("com4").toStdString()) << "";

    const std::vector<std::vector<std::string>> commands = {
        {"reboot", "127.0.0.1", "02:51:7f:00:00:01"},
        {"upgrade", "127.0.0.1", "02:51:7f:00:00:01", firmware, "--port", "COM4"},
    };
    for (std::vector<std::string> words : commands) {
        SCOPED_TRACE(words[0]);
        words.insert(words.begin(),
                     {"/usr/bin/setpriv", "--bounding-set=-net_admin", "--inh-caps=-net_admin", QUILLMAR_CLI_PATH});
        const auto run = runProgram(words);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "quillmar-cli " + words[4]
                               + ": missing privilege CAP_NET_ADMIN: reaching the device needs a temporary route "
                                 "and neighbour entry. Run as root, or give the programs the capability once:\n"
                                 "sudo setcap cap_net_admin+ep build/release/quillmar-manager "
                                 "build/release/quillmar-cli\n");
    }
    EXPECT_TRUE(sim.lines("session-open").empty());
    ::unsetenv("QUILLMAR_COM4");
}

}  // namespace
}  // namespace quillmar
