// quillmar-cli com read and com write as processes against quillmar-sim's
// settings ports on pseudo-terminals: what only the program shows, its exit
// statuses and streams. The verbs themselves are tested in-process.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

#include "support/program_run.h"
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
                       "Setting COM Port !! (COM6: no reply within 1000 ms)\n");
    EXPECT_TRUE(sim.lines("settings-write", "port", silent).empty());
    ::unsetenv("QUILLMAR_COM5");
    ::unsetenv("QUILLMAR_COM6");
}

}  // namespace
}  // namespace quillmar
