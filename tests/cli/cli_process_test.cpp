// quillmar-cli as a process, in a network namespace of the test's own: what only
// the program shows, its exit statuses and streams and the bytes of its
// arguments. The verbs themselves are tested in-process (tests/unit).
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using test::runProgram;

// Both programs report the version the project is built as.
TEST(CliProcess, TheProgramsSayTheProjectsVersion)
{
    for (const char* program : {QUILLMAR_CLI_PATH, QUILLMAR_SIM_PATH}) {
        const auto run = runProgram({program, "--version"});
        EXPECT_EQ(run.status, 0);
        const std::string name = std::string(program).substr(std::string(program).rfind('/') + 1);
        EXPECT_EQ(run.out, name + " " QUILLMAR_VERSION "\n");
    }
}

// What the completion scripts ask for, and a shell there is no script for.
TEST(CliProcess, CompletionListsThePortsThatAreThereAndRefusesAShellItHasNoScriptFor)
{
    test::TempDirectory dir;
    std::ofstream(dir.native() + "/adapter");
    ::setenv("QUILLMAR_COM7", (dir.native() + "/adapter").c_str(), 1);
    ::setenv("QUILLMAR_COM8", (dir.native() + "/unplugged").c_str(), 1);
    auto run = runProgram({QUILLMAR_CLI_PATH, "completion", "--ports"});
    ::unsetenv("QUILLMAR_COM7");
    ::unsetenv("QUILLMAR_COM8");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("COM7\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("COM8\n"), std::string::npos) << run.out;

    const struct {
        std::vector<std::string> words;
        const char* message;
    } refused[] = {
        {{}, "quillmar-cli completion: SHELL is missing (bash, zsh, fish)\n"},
        {{"tcsh"}, "quillmar-cli completion: no completion for 'tcsh' (bash, zsh, fish)\n"},
        {{"bash", "--ports"}, "quillmar-cli completion: --ports takes no SHELL\n"},
    };
    for (const auto& c : refused) {
        std::vector<std::string> argv{QUILLMAR_CLI_PATH, "completion"};
        argv.insert(argv.end(), c.words.begin(), c.words.end());
        run = runProgram(argv);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
    }
}

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
    EXPECT_EQ(run.out, "modelName = \"RX9000\"\n");

    run = runProgram({QUILLMAR_CLI_PATH, "config", "import", base + "-missing.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "quillmar-cli config import: " + dir.path().toStdString() + "/\\xFF-missing.txt: file isn't exists\n");
}

// A stop (SIGTERM here: a shell's background job ignores SIGINT; Ctrl-C takes
// the same path) in the middle of a save to several modules ends it at once,
// with every module's verdict: which ones were sent their record, which nothing.
TEST(CliProcess, AStoppedFleetSaveListsWhatEachModuleWasSent)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--bind", "127.0.0.2", "--bind", "127.0.0.3",
                                             "--module", "address=127.0.0.1", "--module", "address=127.0.0.2",
                                             "--module", "address=127.0.0.3,answer=never"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::keepStateOutOfHome();
    test::TempDirectory dir;
    const std::string err = dir.path().toStdString() + "/err.txt";
    // Ticks of 500 ms: the verdicts would come after 16 s.
    const std::string script =
        "\"$0\" config set 127.0.0.1 127.0.0.2 127.0.0.3 ssid=Stop --tick-ms 500 --json 2>\"$1\" & pid=$!\n"
        "i=0; until [ $(grep -c ': saving' \"$1\") -ge 2 ] || [ $i -ge 100 ]; do sleep 0.1; i=$((i+1)); done\n"
        "kill -TERM $pid; wait $pid; echo status=$?\n";
    const auto run = runProgram({"/bin/sh", "-c", script, QUILLMAR_CLI_PATH, err}, std::chrono::seconds(12));
    ASSERT_NE(run.out.find("status=130\n"), std::string::npos) << run.out;

    const std::string json = run.out.substr(0, run.out.rfind("status="));
    const QJsonArray rows = QJsonDocument::fromJson(QByteArray::fromStdString(json)).array();
    ASSERT_EQ(rows.size(), 3) << run.out;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i]["verdict"], "interrupted") << i;
        EXPECT_EQ(rows[i]["message"].toString().toStdString(),
                  i < 2 ? "stopped by the user after the record was sent: the module may have taken it"
                        : "stopped by the user before anything was sent");
    }
    EXPECT_EQ(sim.lines("stored").size(), 2u);
    EXPECT_TRUE(sim.lines("request", "to", "127.0.0.3").size() == 1u);  // its read, nothing after
}

}  // namespace
}  // namespace quillmar
