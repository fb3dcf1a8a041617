// quillmar-cli as a process, in a network namespace of the test's own: what only
// the program shows, its exit statuses and streams and the bytes of its
// arguments. The verbs themselves are tested in-process (tests/unit).
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include <fstream>

#include "support/program_run.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using test::runProgram;

TEST(CliProcess, ExitStatusesAndStreamsOfTheConfigVerbs)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--bind", "127.0.0.2", "--module",
                                             "address=127.0.0.1", "--module", "address=127.0.0.2,answer=never"});
    ASSERT_TRUE(sim.ready()) << sim.error;

    auto run = runProgram({QUILLMAR_CLI_PATH, "config", "show", "127.0.0.1", "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object().size(), 13) << run.out;
    EXPECT_EQ(run.err, "");

    test::keepStateOutOfHome();  // the save's backup
    run = runProgram({QUILLMAR_CLI_PATH, "config", "set", "127.0.0.1", "ssid=Other", "--tick-ms", "5"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Save to Module OK\n"), std::string::npos) << run.out;

    run = runProgram({QUILLMAR_CLI_PATH, "config", "show", "127.0.0.2"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "quillmar-cli config show: no answer from 127.0.0.2 (UDP port 5000) within 2000 ms\n");

    run = runProgram({QUILLMAR_CLI_PATH, "config", "show", "127.0.0.1", "--table"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
}

TEST(CliProcess, FileNamesAreTakenAsTheSystemsBytes)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--module", "address=127.0.0.1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::TempDirectory dir;
    const std::string base = dir.path().toStdString() + "/\xFF";

    auto run = runProgram({QUILLMAR_CLI_PATH, "config", "export", "127.0.0.1", base + ".bin"});
    EXPECT_EQ(run.status, 0) << run.err;
    struct stat info {};
    ASSERT_EQ(::stat((base + ".bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 256);

    std::ofstream(base + ".txt", std::ios::binary) << "$SBNRX9000\r\n";
    run = runProgram({QUILLMAR_CLI_PATH, "config", "import", base + ".txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Edit_devName = \"RX9000\"\n");

    run = runProgram({QUILLMAR_CLI_PATH, "config", "import", base + "-missing.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "quillmar-cli config import: " + dir.path().toStdString() + "/\\xFF-missing.txt: file isn't exists\n");
}

}  // namespace
}  // namespace quillmar
