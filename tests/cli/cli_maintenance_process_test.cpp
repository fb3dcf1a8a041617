// quillmar-cli reboot as a process without CAP_NET_ADMIN (dropped by
// setpriv): the program ends with the worker's message and exit status 1
// before anything is sent. Runs to a module are in the lab
// (cli_maintenance_lab_test). The manager, too, ends on SIGHUP, SIGTERM and
// SIGINT by its own hand, once its workers are over.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

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
    const auto run = runProgram({"/usr/bin/setpriv", "--bounding-set=-net_admin", "--inh-caps=-net_admin",
                                 QUILLMAR_CLI_PATH, "reboot", "127.0.0.1", "02:51:7f:00:00:01"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    // The remedy names the program that was run, wherever it is.
    const std::string program = std::filesystem::canonical(QUILLMAR_CLI_PATH).string();
    EXPECT_EQ(run.err, "quillmar-cli reboot: missing privilege CAP_NET_ADMIN: reaching the device needs a temporary "
                       "route and neighbour entry. Run as root, or give this program the capability once:\n"
                       "sudo setcap cap_net_admin+ep "
                           + program + "\n");
    EXPECT_TRUE(sim.lines("session-open").empty());
}

// The manager's window is up (offscreen) when the signal comes; it ends by
// its own hand with 128 + the signal's number instead of being cut down.
TEST(ManagerProcess, EndsByItsOwnHandOnHupTermAndInt)
{
    test::TempDirectory dir;
    for (const int signal : {SIGHUP, SIGTERM, SIGINT}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            if (::chdir(dir.path().toLocal8Bit().constData()) != 0)
                ::_exit(126);
            ::execl(QUILLMAR_MANAGER_PATH, QUILLMAR_MANAGER_PATH, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(pid, 0);
        // Up, with the chooser shown.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status)) << signal << ": ended by the signal itself";
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    }
}

}  // namespace
}  // namespace quillmar
