// quillmar-cli com read and com write as processes against quillmar-sim's
// settings ports on pseudo-terminals: what only the program shows, its exit
// statuses and streams. The verbs themselves are tested in-process.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/program_run.h"
#include "support/pseudo_terminal.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using test::runProgram;

TEST(CliComProcess, AReadAndAWriteToASilentPrinter)
{
    test::TempDirectory dir;
    const std::string answering = dir.file("com5").toStdString();
    const std::string silent = dir.file("com6").toStdString();
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--settings-pty", answering + ",deviceName=Counter", "--settings-pty",
                                             silent + ",fault=silent"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    ::setenv("QUILLMAR_COM5", answering.c_str(), 1);
    ::setenv("QUILLMAR_COM6", silent.c_str(), 1);
    test::keepStateOutOfHome();  // a write's backup

    auto run = runProgram({QUILLMAR_CLI_PATH, "com", "read", "--port", "COM5", "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object().value("deviceName"), "Counter");
    EXPECT_EQ(run.err, "");

    run = runProgram({QUILLMAR_CLI_PATH, "com", "write", "--port", "COM6", "deviceName=Bar"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "quillmar-cli com write: Invalid data packing timeout,\nPlease connect device to default "
                       "Setting COM Port !! (COM6: no reply within 1 s)\n");
    EXPECT_TRUE(sim.lines("settings-write", "port", silent).empty());
    ::unsetenv("QUILLMAR_COM5");
    ::unsetenv("QUILLMAR_COM6");
}

// Replies that are a whole reply long but no record: nothing is shown,
// written or backed up, and the message says what did not parse.
TEST(CliComProcess, AReplyThatDoesNotParseIsAFailedRead)
{
    test::TempDirectory dir;
    const char* faults[] = {"echo", "extralead", "random"};
    std::vector<std::string> arguments;
    for (int i = 0; i < 3; ++i) {
        const std::string link = dir.file(QStringLiteral("com%1").arg(i + 2)).toStdString();
        arguments.insert(arguments.end(), {"--settings-pty", link + ",fault=" + faults[i]});
        ::setenv(("QUILLMAR_COM" + std::to_string(i + 2)).c_str(), link.c_str(), 1);
    }
    test::SimProcess sim(QUILLMAR_SIM_PATH, arguments);
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::ScopedStateHome state;

    for (int i = 0; i < 3; ++i) {
        const std::string port = "COM" + std::to_string(i + 2);
        for (const bool write : {false, true}) {
            SCOPED_TRACE(port + " " + faults[i] + (write ? " write" : " read"));
            std::vector<std::string> words{QUILLMAR_CLI_PATH, "com", write ? "write" : "read", "--port", port};
            if (write)
                words.push_back("ssid=Other");
            const auto run = runProgram(words);
            EXPECT_EQ(run.status, 3);
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find("(" + port + ": the printer's record does not parse: macAddress \""),
                      std::string::npos)
                << run.err;
        }
        ::unsetenv(("QUILLMAR_COM" + std::to_string(i + 2)).c_str());
    }
    EXPECT_TRUE(sim.lines("settings-write").empty());
    EXPECT_FALSE(std::filesystem::exists(state.backups().toStdString()));
}

// A technician's account outside the serial ports' group is told what to do.
// The program runs as nobody, from a copy every user may run.
TEST(CliComProcess, APortThisUserMayNotOpenNamesTheFix)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "runs the program as nobody, which needs root";
    test::PseudoTerminal line(7);
    ASSERT_TRUE(line.error.empty()) << line.error;
    ASSERT_EQ(::chmod(line.path().c_str(), 0600), 0);
    test::TempDirectory dir;
    const std::string program = dir.file("quillmar-cli").toStdString();
    std::filesystem::copy_file(QUILLMAR_CLI_PATH, program);
    ASSERT_EQ(::chmod(dir.path().toLocal8Bit().constData(), 0755), 0);

    const auto run = runProgram({"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", program,
                                 "com", "read", "--port", "COM7"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("quillmar-cli com read: input format error ! (COM7 (" + line.path()
                           + ") cannot be opened: Permission denied (this user may not read and write it: add the "
                             "user to the group that owns it, on Debian dialout, and log in again))\n"),
              std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace quillmar
