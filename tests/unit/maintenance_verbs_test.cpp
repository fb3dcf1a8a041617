// quillmar-cli reboot and upgrade in-process, against quillmar-sim's command
// port on 127.0.0.1:5001 and its serial loader on a pseudo-terminal (COM7), in
// a network namespace of the test's own. The route and neighbour tables are the
// recording stand-in: entries on loopback would cut loopback off. The lab
// (cli_maintenance_lab_test) runs the program with the real ones.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "maintenance/xmodem_sender.h"
#include "support/cli_runner.h"
#include "support/recording_host_tables.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/temp_directory.h"
#include "support/wait_until.h"
#include "system_bytes.h"

namespace quillmar {
namespace {

using namespace std::chrono_literals;

const char kMac[] = "02:51:7f:00:00:01";
// What a password on the command line is met with, first.
const QString kPasswordWarning = QStringLiteral(
    "warning: password is on the command line, where other users of this PC can read it while this "
    "runs (ps, /proc) and the shell keeps it in its history; --secrets FILE, --ask-secret password or "
    "QUILLMAR_PASSWORD keep it out of sight\n");

class MaintenanceVerbs : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = temp.native();
        ::setenv("QUILLMAR_COM7", (dir / "com7").c_str(), 1);
    }
    void TearDown() override
    {
        sim.reset();
        ::unsetenv("QUILLMAR_COM7");
    }

    void start(const std::string& session, const std::string& loader = "")
    {
        sim = std::make_unique<test::SimProcess>(
            test::simPath(),
            std::vector<std::string>{"--session", "address=127.0.0.1" + session, "--loader-pty",
                                     (dir / "com7").string() + ",image=" + received() + ",nakEvery=100" + loader});
        ASSERT_TRUE(sim->ready()) << sim->error;
    }

    test::CliRun run(const QStringList& words, bool terminal = false)
    {
        return test::runVerbs(words, [this, terminal](cli::VerbContext& context) {
            context.hostTables = &tables;
            context.errIsTerminal = terminal;
            context.maintenanceTiming.connectPause = 50ms;
            context.maintenanceTiming.serialCollect = 300ms;
            context.maintenanceTiming.xmodem.writePause = 1ms;
        });
    }

    // Whatever a run added to the tables it removed again.
    void expectTablesGivenBack()
    {
        std::vector<RouteRow> routes;
        std::vector<NeighbourRow> neighbours;
        tables.readRoutes(routes);
        tables.readNeighbours(neighbours);
        EXPECT_TRUE(routes.empty());
        EXPECT_TRUE(neighbours.empty());
    }

    std::string firmware(std::size_t size)
    {
        std::string bytes;
        for (std::size_t i = 0; i < size; ++i)
            bytes.push_back(static_cast<char>(i * 7));
        std::ofstream(dir / "image.bin", std::ios::binary) << bytes;
        return bytes;
    }
    std::string received() const { return (dir / "received.bin").string(); }
    QString image() const { return QString::fromStdString((dir / "image.bin").string()); }

    test::TempDirectory temp;
    std::filesystem::path dir;
    std::unique_ptr<test::SimProcess> sim;
    test::RecordingHostTables tables;
};

TEST_F(MaintenanceVerbs, RebootOutcomesTheirMessagesAndExitStatuses)
{
    struct Case {
        const char* session;
        QStringList words;
        int status;
        const char* out;
        const char* err;
    };
    const Case cases[] = {
        {",password=secret12",
         {"127.0.0.1", kMac, "--password", "secret12"},
         0,
         "Device rebooting now! \nThe device restarts",
         ""},
        {",password=secret12",
         {"127.0.0.1", kMac, "--password", "secret13"},
         1,
         "",
         "quillmar-cli reboot: login to device failed\n"},
        {",login=silent", {"127.0.0.1", kMac}, 3, "", "quillmar-cli reboot: send command failed\n"},
        {"", {"127.0.0.2", kMac}, 3, "", "quillmar-cli reboot: connect to device failed 4\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words.join(' ').toStdString());
        start(c.session);
        const auto result = run(QStringList{"reboot"} + c.words);
        EXPECT_EQ(result.status, c.status);
        EXPECT_TRUE(*c.out ? result.out.startsWith(QString::fromUtf8(c.out)) : result.out.isEmpty())
            << result.out.toStdString();
        EXPECT_TRUE(result.err.endsWith(QString::fromUtf8(c.err))) << result.err.toStdString();
        const QString warned = c.words.contains("--password")
                                   ? QStringLiteral("quillmar-cli reboot: ") + kPasswordWarning
                                   : QString();
        EXPECT_TRUE(result.err.startsWith(warned + "connect to device...\n")) << result.err.toStdString();
        EXPECT_EQ(sim->lines("command", "does", "reboot").size(), c.status == 0 ? 1u : 0u);
        expectTablesGivenBack();
        sim.reset();
    }
}

// SIGTERM while the device keeps the log-in waiting: no command goes, and
// the reboot ends as the README says a stopped one does.
TEST_F(MaintenanceVerbs, SigtermDuringTheLogInWaitSendsNoCommandAndEndsWith130)
{
    start(",login=silent");
    std::thread terminate([this] {
        for (int i = 0; i < 500 && sim->lines("command-line").empty(); ++i)
            std::this_thread::sleep_for(10ms);
        ::kill(::getpid(), SIGTERM);
    });
    const auto result = run({"reboot", "127.0.0.1", kMac});
    terminate.join();
    EXPECT_EQ(result.status, 130);
    EXPECT_TRUE(result.err.endsWith("quillmar-cli reboot: stopped before the end; nothing is left in the PC's route "
                                    "and neighbour tables\n"))
        << result.err.toStdString();
    EXPECT_EQ(sim->lines("command-line").size(), 1u) << "the log-in, not sent again";
    EXPECT_TRUE(sim->lines("command").empty());
    expectTablesGivenBack();
}

TEST_F(MaintenanceVerbs, AnUpgradeShowsTheBlocksSentAndTheImageArrivesWhole)
{
    start(",password=secret12");
    test::ScopedStateHome home;
    std::string sent = firmware(128 * 2 + 5);
    auto result = run({"upgrade", "127.0.0.1", kMac, image(), "--port", "COM7", "--password", "secret12"}, true);
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    // The image is named by its size and hash, on the screen and in the audit log.
    const QString sha256 = QString::fromLatin1(
        QCryptographicHash::hash(QByteArray::fromStdString(sent), QCryptographicHash::Sha256).toHex());
    EXPECT_TRUE(result.err.startsWith(QStringLiteral("quillmar-cli upgrade: ") + kPasswordWarning
                                      + QStringLiteral("Image: 261 bytes, SHA-256 ") + sha256 + u'\n'))
        << result.err.toStdString();
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 1);
    EXPECT_EQ(audit[0].value("operation").toString(), QStringLiteral("upgrade"));
    EXPECT_EQ(audit[0].value("macAddress").toString(), QString::fromLatin1(kMac));
    EXPECT_EQ(audit[0].value("image").toObject().value("size").toInt(), 261);
    EXPECT_EQ(audit[0].value("image").toObject().value("sha256").toString(), sha256);
    EXPECT_TRUE(audit[0].value("verdict").toString().startsWith("Upgrade firmware OK!"));
    EXPECT_TRUE(result.out.startsWith("Upgrade firmware OK! \nDevice rebooting now! \n")) << result.out.toStdString();
    // One line redrawn in place, ending with the full bar.
    EXPECT_TRUE(result.err.contains("\rdownloading... [##########....................] 1/3 blocks\x1b[K"))
        << result.err.toStdString();
    EXPECT_TRUE(result.err.endsWith("\rdownloading... [##############################] 3/3 blocks\x1b[K\n"))
        << result.err.toStdString();
    EXPECT_EQ(sim->lines("command-line", "len", "22").size(), 1u) << "the log-in carries the password";
    std::ifstream file(received(), std::ios::binary);
    sent.resize(3 * 128, static_cast<char>(kXmodemPad));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), sent);
    expectTablesGivenBack();

    // Not on a terminal: plain lines, and the result for a script.
    sim.reset();
    start("");
    firmware(128 * 20);
    result = run({"upgrade", "127.0.0.1", kMac, image(), "--port", "COM7", "--json"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_FALSE(result.err.contains('\r'));
    EXPECT_TRUE(result.err.contains("\nenter serial loader...\ndownloading...\ndownloading... 1/20 blocks\n"
                                    "downloading... 2/20 blocks\n"))
        << result.err.toStdString();
    EXPECT_TRUE(result.err.endsWith("downloading... 20/20 blocks\n")) << result.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(result.out.toUtf8()).object();
    EXPECT_EQ(json.value("ok").toBool(), true);
    EXPECT_EQ(json.value("code").toInt(-99), 0);
    EXPECT_EQ(json.value("blocksSent").toInt(), 20);
    EXPECT_EQ(json.value("blocks").toInt(), 20);
    EXPECT_EQ(json.value("port").toString(), "COM7");
}

TEST_F(MaintenanceVerbs, AnUpgradeThatCannotStartOrWhoseLoaderIsMuteSaysWhy)
{
    ::setenv("QUILLMAR_COM8", (dir / "missing").c_str(), 1);
    struct Case {
        const char* name;
        std::size_t fileSize;
        const char* port;
        bool privileged;
        const char* loader;
        int status;
        const char* err;
        bool contacted;  // the device was told to hand over to its loader
    };
    const Case cases[] = {
        {"missing port", 300, "COM8", true, "", 1,
         "missing): No such file or directory\nquillmar-cli upgrade: initialize serial port failed\n", false},
        {"empty file", 0, "COM7", true, "", 1, "image.bin: read file failed\n", false},
        {"no privilege", 300, "COM7", false, "", 1,
         "quillmar-cli upgrade: missing privilege CAP_NET_ADMIN: reaching the device needs", false},
        {"no menu", 300, "COM7", true, ",menu=plain", 3, "quillmar-cli upgrade: recv loader menu failed\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start("", c.loader);
        firmware(c.fileSize);
        tables.privileged = c.privileged;
        const auto result = run({"upgrade", "127.0.0.1", kMac, image(), "--port", c.port});
        EXPECT_EQ(result.status, c.status);
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(c.err))) << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_EQ(sim->lines("command", "does", "loader").size(), c.contacted ? 1u : 0u);
        if (!c.contacted) {
            EXPECT_TRUE(sim->lines("session-open").empty());
        }
        expectTablesGivenBack();
        sim.reset();
    }
    ::unsetenv("QUILLMAR_COM8");

    // A FIFO is looked at before it is opened, whatever its name: one that is
    // not UTF-8 was let through unchecked and the upgrade hung opening it.
    start("");
    const std::string fifo = (dir / "fw\xff.bin").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto result = run(
        {"upgrade", "127.0.0.1", kMac, cli::fromSystemBytes(QByteArray::fromStdString(fifo)), "--port", "COM7"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.endsWith(QStringLiteral("fw\\xFF.bin: open file failed\n"))) << result.err.toStdString();
    EXPECT_TRUE(sim->lines("session-open").empty());
}

TEST_F(MaintenanceVerbs, AFileThatIsPlainlyNoImageIsRefusedBeforeTheDeviceIsContacted)
{
    start("");
    const struct {
        const char* verb;
        QByteArray content;
        const char* says;
    } cases[] = {
        {"upgrade", QByteArray("PK\x03\x04", 4) + QByteArray(300, '\0'),
         "This file is a ZIP archive, not a firmware image"},
        {"upgrade", "\n  <!DOCTYPE html><html><body>firmware</body></html>",
         "This file is an HTML page, not a firmware image"},
        {"upgrade", QByteArray(500, 'A'), "This file is a text file, not a firmware image"},
        {"web upload", QByteArray("\x1F\x8B", 2) + QByteArray(300, '\1'),
         "This file is a gzip archive, not a web image"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        std::ofstream(dir / "image.bin", std::ios::binary) << c.content.toStdString();
        QStringList words = QString::fromLatin1(c.verb).split(u' ');
        words << "127.0.0.1" << kMac << image();
        if (QLatin1String(c.verb) == QLatin1String("upgrade"))
            words << "--port"
                  << "COM7";
        const auto result = run(words);
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.err.contains(QString::fromLatin1(c.says))) << result.err.toStdString();
    }
    EXPECT_TRUE(sim->lines("session-open").empty());

    // --force-image sends it all the same.
    const auto forced = run({"upgrade", "127.0.0.1", kMac, image(), "--port", "COM7", "--force-image"});
    EXPECT_EQ(forced.status, 0) << forced.err.toStdString();
}

}  // namespace
}  // namespace quillmar

namespace quillmar {
namespace {

// Six devices on six loopback addresses, each keeping its log-in waiting for
// two reply waits: at most four sessions are open at any moment, each device
// gets its own route and neighbour entry, all given back; one audit line and
// one verdict each.
TEST_F(MaintenanceVerbs, SeveralDevicesRunInParallelAtMostFourAtOnce)
{
    std::vector<std::string> options;
    QStringList words{"reboot"};
    for (int i = 1; i <= 6; ++i) {
        const std::string address = "127.0.0." + std::to_string(i);
        options.insert(options.end(), {"--session", "address=" + address + (i == 6 ? "" : ",login=silent")});
        words << QString::fromStdString(address) << QStringLiteral("02:51:7f:00:00:0%1").arg(i);
    }
    sim = std::make_unique<test::SimProcess>(test::simPath(), options);
    ASSERT_TRUE(sim->ready()) << sim->error;
    test::ScopedStateHome home;
    const auto result = test::runVerbs(words << "--json", [this](cli::VerbContext& context) {
        context.hostTables = &tables;
        context.maintenanceTiming.connectPause = 50ms;
        context.maintenanceTiming.replyWait = 400ms;
    });
    EXPECT_EQ(result.status, 1) << result.err.toStdString();

    // The sessions' overlap, from the simulator's log, once it has seen the
    // last connection close (it may note that after the verb has returned).
    EXPECT_TRUE(test::waitUntil([&] { return sim->lines("session-closed").size() >= 6; }, 5000));
    // A close is noted when the simulator's loop gets to it, which on a slow
    // run can come after the next connection it accepted in the same round;
    // a close is taken as up to 100 ms earlier than noted (the silent
    // sessions last over 400 ms, so five at once would still show).
    constexpr long kCloseNotedLate = 100;
    std::vector<std::pair<long, int>> edges;
    for (const test::SimLogLine& line : sim->log()) {
        const long t = std::stol(line.fields.at("t"));
        if (line.event == "session-open")
            edges.emplace_back(t, 1);
        else if (line.event == "session-closed")
            edges.emplace_back(t - kCloseNotedLate, -1);
    }
    std::stable_sort(edges.begin(), edges.end(), [](const auto& a, const auto& b) {
        return a.first < b.first || (a.first == b.first && a.second < b.second);
    });
    int open = 0;
    int most = 0;
    for (const auto& edge : edges)
        most = std::max(most, open += edge.second);
    EXPECT_EQ(edges.size(), 12u);
    EXPECT_EQ(most, 4);

    const QJsonArray verdicts = QJsonDocument::fromJson(result.out.toUtf8()).array();
    ASSERT_EQ(verdicts.size(), 6);
    for (int i = 0; i < 6; ++i) {
        const QJsonObject verdict = verdicts[i].toObject();
        EXPECT_EQ(verdict.value("address").toString(), QStringLiteral("127.0.0.%1").arg(i + 1));
        EXPECT_EQ(verdict.value("ok").toBool(), i == 5);
        EXPECT_EQ(verdict.value("message").toString(),
                  i == 5 ? QStringLiteral("Device rebooting now! ") : QStringLiteral("send command failed"));
    }
    EXPECT_EQ(sim->lines("command", "does", "reboot").size(), 1u);
    EXPECT_EQ(home.auditEntries().size(), 6);
    // Each device's own route and neighbour entry, added and removed.
    for (int i = 1; i <= 6; ++i) {
        const std::string address = "127.0.0." + std::to_string(i) + " ";
        const std::vector<std::string> changes = tables.changes();
        EXPECT_EQ(std::count_if(changes.begin(), changes.end(),
                                [&](const std::string& change) { return change.rfind("route+ " + address, 0) == 0; }),
                  1);
        EXPECT_EQ(std::count_if(changes.begin(), changes.end(),
                                [&](const std::string& change) { return change.rfind("route- " + address, 0) == 0; }),
                  1);
    }
    expectTablesGivenBack();
}

TEST_F(MaintenanceVerbs, SeveralDevicesAreCheckedBeforeAnyIsContacted)
{
    struct Case {
        QStringList words;
        const char* err;
    };
    const Case cases[] = {
        {{"reboot", "127.0.0.1", kMac, "127.0.0.2"},
         "MAC is missing: ADDRESS and MAC go in pairs ('127.0.0.2' has none)"},
        {{"reboot", "127.0.0.1", kMac, "127.0.0.2", "01:00:5e:00:00:01"}, "is not the MAC address of one device"},
        {{"reboot", "127.0.0.1", kMac, "127.0.0.1", kMac}, "127.0.0.1 02:51:7f:00:00:01 is given twice"},
        {{"reboot", "127.0.0.1", kMac, "--map", "site.csv"}, "the map names the devices: no ADDRESS MAC with --map"},
        {{"reboot"}, "ADDRESS is missing"},
        {{"web", "upload", "127.0.0.1", kMac, "127.0.0.2", kMac}, "MAC is missing"},
    };
    start("");
    for (const Case& c : cases) {
        const auto result = run(c.words);
        EXPECT_EQ(result.status, 2) << c.words.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(c.err))) << result.err.toStdString();
    }
    EXPECT_TRUE(sim->lines("session-open").empty());
    EXPECT_TRUE(tables.changes().empty());
}

}  // namespace
}  // namespace quillmar
