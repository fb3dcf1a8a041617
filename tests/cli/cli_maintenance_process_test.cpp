// quillmar-cli reboot as a process without CAP_NET_ADMIN (dropped by
// setpriv): the program ends with the worker's message and exit status 1
// before anything is sent. Runs to a module are in the lab
// (cli_maintenance_lab_test). A stop signal that comes as the outcome is
// written does not cut it off. The manager, too, ends on SIGHUP, SIGTERM and
// SIGINT by its own hand, once its workers are over.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

// Whether process `pid` waits for a lock (a "->" line of /proc/locks).
bool waitsForLock(pid_t pid)
{
    std::ifstream locks("/proc/locks");
    const std::string holder = " " + std::to_string(pid) + " ";
    for (std::string line; std::getline(locks, line);) {
        if (line.find("->") != std::string::npos && line.find(holder) != std::string::npos)
            return true;
    }
    return false;
}

// The worker is over (refused: no CAP_NET_ADMIN) and the program writes its
// audit line, held up by the test's lock on the log, when Ctrl-C comes twice.
// Both are only noted: the program still writes its message and ends by its
// own hand with the run's exit status. Before, the signals' own actions were
// back as soon as the worker ended, and the program died of the first signal
// without a word.
TEST(CliMaintenanceProcess, AStopSignalWhileTheOutcomeIsWrittenDoesNotCutItOff)
{
    test::TempDirectory dir;
    const std::string state = dir.native();
    ASSERT_EQ(::mkdir((state + "/quillmar").c_str(), 0700), 0);
    const int log = ::open((state + "/quillmar/audit.jsonl").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(log, 0);
    ASSERT_EQ(::flock(log, LOCK_EX), 0);

    const std::string errPath = state + "/err.txt";
    std::vector<std::string> environment{"XDG_STATE_HOME=" + state, "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err < 0 || ::dup2(err, STDERR_FILENO) < 0)
            ::_exit(126);
        const char* argv[] = {"/usr/bin/setpriv",
                              "--bounding-set=-net_admin",
                              "--inh-caps=-net_admin",
                              QUILLMAR_CLI_PATH,
                              "reboot",
                              "127.0.0.1",
                              "02:51:7f:00:00:01",
                              nullptr};
        ::execve(argv[0], const_cast<char**>(argv), envp.data());
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    bool waiting = false;
    for (int i = 0; i < 600 && !waiting && ::waitpid(pid, &status, WNOHANG) == 0; ++i) {
        waiting = waitsForLock(pid);
        if (!waiting)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!waiting) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "the program never waited for the audit log";
    }
    ::kill(pid, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::kill(pid, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::flock(log, LOCK_UN);
    ::close(log);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);

    std::ostringstream err;
    err << std::ifstream(errPath).rdbuf();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "; said:\n" << err.str();
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(err.str().find("quillmar-cli reboot: missing privilege CAP_NET_ADMIN"), std::string::npos) << err.str();
    std::ifstream audit(state + "/quillmar/audit.jsonl");
    std::string line;
    ASSERT_TRUE(std::getline(audit, line));
    EXPECT_NE(line.find("\"operation\":\"reboot\""), std::string::npos) << line;
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
