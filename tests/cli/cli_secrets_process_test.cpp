// quillmar-cli's secrets as a process sees them, in a network namespace of
// the test's own against quillmar-sim on loopback: a key from standard input
// is saved and is never in the process's command line; a key on the command
// line works with one warning; a secrets file others may read is refused;
// --ask-secret asks the terminal twice without echo and gives the terminal
// back as it was; an encrypted export holds no key and opens with its
// passphrase only; the inventory's masks are keyed.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <functional>
#include <memory>

#include "support/program_run.h"
#include "support/pseudo_terminal.h"
#include "support/sim_fields.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using test::ProgramOptions;
using test::runProgram;

std::string readProcFile(pid_t pid, const char* name)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Whether `pid` runs quillmar-cli (and not yet the test's own fork before it).
bool runsTheCli(pid_t pid)
{
    char target[PATH_MAX] = {};
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    char cli[PATH_MAX] = {};
    return n > 0 && ::realpath(QUILLMAR_CLI_PATH, cli) && std::string(target, std::size_t(n)) == cli;
}

void writeFile(const std::string& path, const std::string& text, mode_t mode)
{
    std::ofstream(path, std::ios::binary) << text;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

TEST(CliSecretsProcess, AKeyOnStandardInputIsSavedAndNeverInTheProcessList)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--module", "address=127.0.0.1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::keepStateOutOfHome();
    std::vector<std::string> commandLines;
    ProgramOptions options;
    options.input = "# the shop's network\nwpaPsk=piped-key-0001\n";
    options.detached = true;
    options.whileRunning = [&commandLines](pid_t pid) {
        if (runsTheCli(pid))
            commandLines.push_back(readProcFile(pid, "cmdline"));
    };
    const auto run = runProgram({QUILLMAR_CLI_PATH, "config", "set", "127.0.0.1", "ssid=PipeNet", "authMode=WPA2PSK",
                                 "encryType=AES", "--secrets", "-", "--tick-ms", "60"},
                                options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
    // The save takes about 31 ticks: the command line was read all along.
    EXPECT_GT(commandLines.size(), 20u);
    for (const std::string& line : commandLines) {
        EXPECT_NE(line.find("--secrets"), std::string::npos);
        EXPECT_EQ(line.find("piped-key"), std::string::npos) << line;
    }
    const DeviceEntry stored = test::storedRecordOf(sim);
    EXPECT_EQ(stored.text(DeviceField::WpaPsk), "piped-key-0001");
    EXPECT_EQ(stored.text(DeviceField::Ssid), "PipeNet");
}

// A new key is checked against the Wi-Fi networks the PC sees; the tests
// have no system bus to ask.
const std::string kNoWifiCheck =
    "quillmar-cli config set: SSID QuillmarLab could not be checked: there is no system bus to ask NetworkManager on\n";

TEST(CliSecretsProcess, AKeyOnTheCommandLineWarnsOnceAndASecretsFileOthersMayReadIsRefused)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--module", "address=127.0.0.1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::ScopedStateHome home;
    test::TempDirectory dir;
    ProgramOptions detached;
    detached.detached = true;

    auto run = runProgram({QUILLMAR_CLI_PATH, "config", "set", "127.0.0.1", "wpaPsk=typed-in-clear", "--dry-run"},
                          detached);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err,
              "quillmar-cli config set: warning: wpaPsk is on the command line, where other users of this PC can "
              "read it while this runs (ps, /proc) and the shell keeps it in its history; --secrets FILE, "
              "--ask-secret wpaPsk or QUILLMAR_WPAPSK keep it out of sight\n"
                  + kNoWifiCheck);
    EXPECT_EQ(run.out.find("typed-in-clear"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("-> hmac:"), std::string::npos) << run.out;

    const std::string secrets = dir.native() + "/shop.secrets";
    const std::size_t requests = sim.requestCount();
    const struct {
        mode_t mode;
        uid_t owner;
        const char* refusal;  // nothing: taken
    } files[] = {
        {0644, ::geteuid(), "can be read or changed by others (mode 0644)"},
        {0640, ::geteuid(), "can be read or changed by others (mode 0640)"},
        {0602, ::geteuid(), "can be read or changed by others (mode 0602)"},
        {0600, 65534, "belongs to another user (uid 65534)"},
        {0600, ::geteuid(), nullptr},
        {0400, ::geteuid(), nullptr},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.mode);
        writeFile(secrets, "wpaPsk=from-a-file-1\n", file.mode);
        ASSERT_EQ(::chown(secrets.c_str(), file.owner, gid_t(-1)), 0);
        run = runProgram({QUILLMAR_CLI_PATH, "config", "set", "127.0.0.1", "--secrets", secrets, "--dry-run"},
                         detached);
        if (file.refusal) {
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.err.find(file.refusal), std::string::npos) << run.err;
            EXPECT_NE(run.err.find("nothing is sent"), std::string::npos) << run.err;
            EXPECT_EQ(sim.requestCount(), requests) << "refused before anything is sent";
        } else {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.err, kNoWifiCheck);
            EXPECT_NE(run.out.find("wpaPsk: "), std::string::npos) << run.out;
            EXPECT_EQ(run.out.find("from-a-file"), std::string::npos) << run.out;
        }
        ::unlink(secrets.c_str());
    }
}

// What the test types on the terminal the program asks on: each answer when
// its prompt has come.
struct Typing {
    const char* prompt;
    const char* answer;
};

// Types each answer on `terminal` once its prompt has come; all the terminal
// showed goes to `shown`.
std::function<void(pid_t)> typist(test::PseudoTerminal& terminal, std::vector<Typing> typing, std::string& shown)
{
    auto waiting = std::make_shared<std::string>();  // what came since the last answer
    return [&terminal, typing, &shown, waiting](pid_t) mutable {
        const std::string got = terminal.read(4096, 0);
        shown += got;
        *waiting += got;
        if (!typing.empty() && waiting->find(typing.front().prompt) != std::string::npos) {
            terminal.write(std::string(typing.front().answer) + "\n");
            waiting->clear();
            typing.erase(typing.begin());
        }
    };
}

TEST(CliSecretsProcess, AskSecretAsksTheTerminalTwiceWithoutEchoAndGivesItBack)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--module", "address=127.0.0.1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::ScopedStateHome home;
    const struct {
        std::vector<Typing> typing;
        int status;
        const char* said;
    } cases[] = {
        {{{"wpaPsk: ", "typed-unseen-1"}, {"wpaPsk (again): ", "typed-unseen-1"}}, 0, "wpaPsk: "},
        {{{"wpaPsk: ", "typed-unseen-1"}, {"wpaPsk (again): ", "typed-unseen-2"}}, 2, "the two entries differ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        test::PseudoTerminal terminal;
        ASSERT_TRUE(terminal.ready()) << terminal.error;
        ASSERT_TRUE(terminal.echoes());
        std::string seen;
        ProgramOptions options;
        options.terminal = terminal.path();
        options.whileRunning = typist(terminal, c.typing, seen);
        const std::size_t requests = sim.requestCount();
        const auto run = runProgram(
            {QUILLMAR_CLI_PATH, "config", "set", "127.0.0.1", "--ask-secret", "wpapsk", "--dry-run"}, options,
            std::chrono::seconds(20));
        seen += terminal.read(4096, 100);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
        EXPECT_NE(seen.find("wpaPsk (again): "), std::string::npos) << seen;  // asked on the terminal
        EXPECT_EQ((run.out + run.err + seen).find("typed-unseen"), std::string::npos) << seen;
        EXPECT_TRUE(terminal.echoes()) << "the terminal shows what is typed again";
        EXPECT_EQ(sim.requestCount(), requests + (c.status == 0 ? 1 : 0));
    }
}

TEST(CliSecretsProcess, AnEncryptedExportHoldsNoKeyAndOpensWithItsPassphraseOnly)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH,
                         {"--bind", "127.0.0.1", "--bind", "127.0.0.2", "--module",
                          "address=127.0.0.1,ssid=Shop,authMode=WPA2PSK,encryType=AES,wpaPsk=export-key-77", "--module",
                          "address=127.0.0.2,macAddress=00-1F-7C-00-02-22"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    test::ScopedStateHome home;
    test::TempDirectory dir;
    const std::string file = dir.native() + "/shop.enc";
    ProgramOptions withPassphrase;
    withPassphrase.detached = true;
    withPassphrase.input = "passphrase=lab words\n";

    auto run = runProgram({QUILLMAR_CLI_PATH, "config", "export", "127.0.0.1", file, "--encrypt", "--secrets", "-"},
                          withPassphrase);
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream in(file, std::ios::binary);
    const std::string sealed((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(sealed.size(), 330u);
    EXPECT_EQ(sealed.rfind("QMSEALED", 0), 0u);
    for (const char* clear : {"export-key-77", "Shop", "00-1F-7C"})
        EXPECT_EQ(sealed.find(clear), std::string::npos) << clear;
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const struct {
        std::vector<std::string> environment;
        int status;
        const char* said;
    } imports[] = {
        {{}, 1, "its passphrase is wanted: no terminal to ask on"},
        {{"QUILLMAR_PASSPHRASE=lab wordz"}, 1, "the passphrase does not open it"},
        {{"QUILLMAR_PASSPHRASE=lab words"}, 0, "wpaPsk = export-key-77\n"},
    };
    for (const auto& c : imports) {
        SCOPED_TRACE(c.said);
        ProgramOptions options;
        options.detached = true;
        options.environment = c.environment;
        run = runProgram({QUILLMAR_CLI_PATH, "config", "import", file, "--show-secrets"}, options);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
        if (c.status != 0) {
            EXPECT_EQ(run.out, "");
        }
    }

    // Applied to the other module, it gives that module the exported key.
    run = runProgram({QUILLMAR_CLI_PATH, "config", "apply", file, "127.0.0.2", "--secrets", "-", "--tick-ms", "5"},
                     withPassphrase);
    EXPECT_EQ(run.status, 0) << run.err;
    const DeviceEntry stored = test::storedRecordOf(sim);
    EXPECT_EQ(stored.text(DeviceField::WpaPsk), "export-key-77");
    EXPECT_EQ(stored.text(DeviceField::MacAddress), "00-1F-7C-00-02-22");
}

// A WEP key's mask in the inventory was brute-forced from its bare SHA-256:
// now no cell is any prefix of the bare hash, one key keeps its mask on this
// PC, and another user's mask key gives another mask.
TEST(CliSecretsProcess, TheInventoryMasksKeysWithTheUsersKeyNotTheBareHash)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH,
                         {"--bind", "127.0.0.1", "--module",
                          "address=127.0.0.1,authMode=SHARED,encryType=WEP,key=12345,wpaPsk=wpa-key-too"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    ProgramOptions detached;
    detached.detached = true;
    const auto inventoryRow = [&detached] {
        const auto run = runProgram({QUILLMAR_CLI_PATH, "discover", "--ip", "127.0.0.1", "--csv"}, detached);
        EXPECT_EQ(run.status, 0) << run.err;
        const QStringList lines = QString::fromStdString(run.out).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        EXPECT_EQ(lines.size(), 2) << run.out;
        return lines.value(1).split(u',');
    };
    QStringList row;
    QStringList again;
    {
        test::ScopedStateHome home;
        row = inventoryRow();
        again = inventoryRow();
    }
    test::ScopedStateHome another;
    const QStringList other = inventoryRow();
    ASSERT_EQ(row.size(), 15);
    for (const auto& [column, key] : {std::pair{13, "12345"}, std::pair{14, "wpa-key-too"}}) {
        const QString mask = row[column];
        const QString bare = QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex());
        EXPECT_TRUE(mask.startsWith(QLatin1String("hmac:"))) << mask.toStdString();
        EXPECT_EQ(mask.size(), 17);
        EXPECT_FALSE(bare.startsWith(mask.mid(5))) << mask.toStdString();
        EXPECT_FALSE(bare.contains(mask.mid(5))) << mask.toStdString();
        EXPECT_EQ(again.value(column), mask);
        EXPECT_NE(other.value(column), mask);
    }
}

}  // namespace
}  // namespace quillmar
