// config set to many modules, config apply, the backups before every write and
// config restore, in-process against quillmar-sim on loopback addresses, in a
// network namespace of the test's own (port 6000 and 5000), with short ticks.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "history/record_backups.h"
#include "record/field_names.h"
#include "support/cli_runner.h"
#include "support/sample_devices.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using namespace std::chrono_literals;
using test::runVerbs;

// quillmar-sim with one module per keys, each at its own 127.0.0.x.
test::SimProcess startModules(const std::vector<std::string>& moduleKeys)
{
    std::vector<std::string> arguments;
    for (const std::string& keys : moduleKeys) {
        const std::string address = keys.substr(8, keys.find(',') - 8);  // "address=..."
        arguments.insert(arguments.end(), {"--bind", address, "--module", keys});
    }
    return test::SimProcess(QUILLMAR_SIM_PATH, arguments);
}

// The records the module at `address` stored, in order.
std::vector<DeviceEntry> storedBy(const test::SimProcess& sim, const std::string& address)
{
    std::vector<DeviceEntry> records;
    for (const auto& line : sim.lines("stored", "module", address)) {
        const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(line.fields.at("record")));
        records.push_back(DeviceEntry::fromBytes(bytes.constData(), std::size_t(bytes.size())));
    }
    return records;
}

DeviceEntry recordInFile(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.size(), 256);
    return DeviceEntry::fromBytes(bytes.constData(), std::size_t(bytes.size()));
}

// The file named after "Backup of the record as it was: " on standard error.
QString backupNamedIn(const QString& err)
{
    const QString marker = QStringLiteral("Backup of the record as it was: ");
    const qsizetype at = err.indexOf(marker);
    return at < 0 ? QString() : err.mid(at + marker.size()).section(u'\n', 0, 0);
}

// Waits until a restarted module answers reads again.
bool answersAgain(const QString& address)
{
    for (int i = 0; i < 30; ++i) {
        if (runVerbs({"config", "show", address}, 100ms).status == 0)
            return true;
    }
    return false;
}

TEST(FleetSet, ManyModulesAreSavedAtOnceFromOnePortEachWithItsOwnRecord)
{
    auto sim = startModules(
        {"address=127.0.0.1", "address=127.0.0.2,save=keep", "address=127.0.0.3,authMode=OPEN,encryType=NONE"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const auto start = std::chrono::steady_clock::now();
    const auto run = runVerbs({"config", "set", "127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4", "ssid=Shop2",
                               "encryType=AES", "--tick-ms", "50", "--json"},
                              300ms);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.status, 1) << run.err.toStdString();

    const QJsonArray rows = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 4) << run.out.toStdString();
    const char* verdicts[] = {"confirmed", "unconfirmed", "skipped", "no-answer"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i]["address"].toString(), QStringLiteral("127.0.0.%1").arg(i + 1));
        EXPECT_EQ(rows[i]["verdict"].toString(), verdicts[i]) << i;
    }
    EXPECT_TRUE(rows[2]["message"].toString().startsWith("encryType AES is not offered with authMode OPEN"));
    EXPECT_EQ(rows[3]["macAddress"].toString(), "");

    // Each module stored its own record once; the one that broke a rule nothing.
    for (const std::string address : {"127.0.0.1", "127.0.0.2"}) {
        const auto stored = storedBy(sim, address);
        ASSERT_EQ(stored.size(), 1u) << address;
        EXPECT_EQ(stored[0].text(DeviceField::IpAddress), address);
        EXPECT_EQ(stored[0].text(DeviceField::MacAddress), "02-51-7F-00-00-0" + address.substr(8));
        EXPECT_EQ(stored[0].text(DeviceField::DeviceName), "SIM-" + address.substr(8));
        EXPECT_EQ(stored[0].text(DeviceField::Ssid), "Shop2");
    }
    EXPECT_TRUE(storedBy(sim, "127.0.0.3").empty());

    // Everything went out from the one port 6000, and both saves ran on one
    // timeline: their probes went out together, and two saves took one save time.
    for (const auto& request : sim.lines("request"))
        EXPECT_TRUE(request.fields.at("from").ends_with(":6000")) << request.fields.at("from");
    std::vector<long> probes;
    for (const std::string address : {"127.0.0.1", "127.0.0.2"}) {
        const auto reads = sim.lines("request", "to", address);
        ASSERT_GE(reads.size(), 4u);  // read, header, record, probe
        probes.push_back(std::stol(reads[3].fields.at("t")));
    }
    EXPECT_LT(std::abs(probes[0] - probes[1]), 200);
    EXPECT_LT(took, 2500ms);  // one save is 31 ticks of 50 ms
}

TEST(FleetSet, TheTableNamesEachModulesVerdictAndIpAddressGoesToOneModuleOnly)
{
    auto sim = startModules({"address=127.0.0.1", "address=127.0.0.2,save=keep"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    auto run = runVerbs({"config", "set", "127.0.0.1", "127.0.0.2", "devicename=Till", "--tick-ms", "5"});
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
    EXPECT_EQ(lines[0].simplified(), "Address MAC Device name Verdict");
    EXPECT_EQ(lines[1].simplified(), "127.0.0.1 02-51-7F-00-00-01 SIM-1 Save to Module OK");
    EXPECT_EQ(lines[2].simplified(), "127.0.0.2 02-51-7F-00-00-02 SIM-2 not confirmed: still answers after the probe");
    EXPECT_EQ(lines[3], "1 of 2 saves confirmed");
    EXPECT_TRUE(run.err.contains("127.0.0.2: the module still answers at 127.0.0.2 after the probe"));

    const std::size_t requests = sim.requestCount();
    const struct {
        QStringList words;
        const char* message;
    } refused[] = {
        {{"127.0.0.1", "127.0.0.2", "ip=127.0.0.9"}, "ipAddress is one module's own: give it with one ADDRESS only"},
        {{"--all", "ip=127.0.0.9"}, "ipAddress is one module's own"},
        {{"--all", "127.0.0.1", "ssid=A"}, "give ADDRESS... or --all, not both"},
        {{"ssid=A"}, "ADDRESS is missing"},
        {{"127.0.0.1", "127.0.0.1", "ssid=A"}, "127.0.0.1 is given twice"},
        {{"127.0.0.1", "--family", "1", "ssid=A"}, "--family goes with --all"},
        {{"127.0.0.1"}, "NAME=VALUE is missing"},
    };
    for (const auto& c : refused) {
        run = runVerbs(QStringList{"config", "set"} + c.words);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("quillmar-cli config set: ") + QLatin1String(c.message)))
            << run.err.toStdString();
    }
    EXPECT_EQ(sim.requestCount(), requests);
}

TEST(FleetSet, AFloodOfRecordsFromTheModulesAddressIsOneResponseLine)
{
    auto sim = startModules({"address=127.0.0.1,answerSave=1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    std::atomic<bool> flooding{true};
    std::thread flood([&flooding] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in pc{};
        pc.sin_family = AF_INET;
        pc.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        pc.sin_port = htons(6000);
        // A whole record of the module, so that the save, which reads first,
        // takes one of them as well as the module's own answer.
        DeviceEntry record = test::kitchenPrinter("127.0.0.1", "02-51-7F-00-00-01");
        while (flooding) {
            ::sendto(fd, record.data(), record.size(), 0, reinterpret_cast<sockaddr*>(&pc), sizeof pc);
            std::this_thread::sleep_for(100us);
        }
        ::close(fd);
    });
    const auto run = runVerbs({"config", "set", "127.0.0.1", "devicename=Till", "--tick-ms", "5"});
    flooding = false;
    flood.join();
    EXPECT_EQ(run.out.count(QStringLiteral("Response from 127.0.0.1")), 1) << run.out.toStdString();
}

TEST(FleetBackups, EveryWriteIsBackedUpFirstAndRestorePutsTheOldRecordBack)
{
    test::ScopedStateHome state;
    auto sim = startModules({"address=127.0.0.1,save=restart,restartAfter=0.4", "address=127.0.0.2,save=keep"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const QJsonObject before =
        QJsonDocument::fromJson(runVerbs({"config", "show", "127.0.0.1", "--json"}).out.toUtf8()).object();

    auto run = runVerbs({"config", "set", "127.0.0.1", "ssid=NewNet", "--tick-ms", "5"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QString backup = backupNamedIn(run.err);
    EXPECT_TRUE(backup.startsWith(state.backups("02-51-7F-00-00-01") + "/")) << run.err.toStdString();
    const DeviceEntry old = recordInFile(backup);
    for (const FieldLayout& layout : deviceFieldLayout()) {
        const std::string_view name = fieldName(layout.field);
        EXPECT_EQ(QString::fromStdString(old.text(layout.field)),
                  before[QLatin1String(name.data(), qsizetype(name.size()))].toString())
            << name;
    }

    // Restore: the backup's record byte for byte, after a backup of the new one.
    ASSERT_TRUE(answersAgain("127.0.0.1"));
    run = runVerbs({"config", "restore", "127.0.0.1", backup, "--tick-ms", "5"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const auto stored = storedBy(sim, "127.0.0.1");
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1], old);
    const auto kept = listBackups(QFile::encodeName(state.backups()));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[1].record.text(DeviceField::Ssid), "NewNet");
    run = runVerbs({"config", "backups", "02:51:7f:00:00:01"});
    EXPECT_EQ(run.out.count(u'\n'), 3) << run.out.toStdString();
    // A folder named with control bytes reaches the terminal escaped.
    const QString hostile = state.backups(QStringLiteral("\x1B]0;owned\x07"));
    ASSERT_TRUE(QDir().mkpath(hostile));
    ASSERT_TRUE(QFile::copy(backup, hostile + u'/' + QFileInfo(backup).fileName()));
    run = runVerbs({"config", "backups"});
    EXPECT_EQ(run.out.count(u'\n'), 4) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains(u'\x1B')) << run.out.toStdString();

    // Not onto another module, and not without a backup when none can be stored.
    run = runVerbs({"config", "restore", "127.0.0.2", backup, "--tick-ms", "5"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("is a record of the module with MAC 02-51-7F-00-00-01, and the module at 127.0.0.2 "
                                 "has MAC 02-51-7F-00-00-02"))
        << run.err.toStdString();
    qputenv("XDG_STATE_HOME", QFile::encodeName(backup));  // a file: no directory can be made under it
    run = runVerbs({"config", "set", "127.0.0.2", "ssid=Other", "--tick-ms", "5"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("the record could not be backed up")) << run.err.toStdString();
    EXPECT_TRUE(sim.lines("request", "kind", "save-header").size() == 2u);
    run = runVerbs({"config", "set", "127.0.0.2", "ssid=Other", "--tick-ms", "5", "--no-backup"});
    EXPECT_EQ(run.status, 1);  // saved, but this module keeps answering
    EXPECT_EQ(storedBy(sim, "127.0.0.2").size(), 1u);
}

// A backup is checked as a save would be: a whole record, of the module's
// family, with every field it changes passing its rule. Nothing is sent
// otherwise.
TEST(FleetRestore, ADamagedBlankOrOtherFamilyRecordIsRefused)
{
    test::TempDirectory dir;
    test::ScopedStateHome state;
    auto sim = startModules({"address=127.0.0.1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const QString exported = dir.file("module.bin");
    ASSERT_EQ(runVerbs({"config", "export", "127.0.0.1", exported}).status, 0);
    const DeviceEntry module = recordInFile(exported);
    const struct {
        const char* what;
        std::vector<std::pair<DeviceField, const char*>> damage;
        const char* says;
    } cases[] = {
        {"a damaged coded field", {{DeviceField::EncryType, "AE5"}}, "is not a settings record: encryType \"AE5\""},
        {"blank fields",
         {{DeviceField::DeviceName, ""}, {DeviceField::Ssid, ""}},
         "deviceName: invalid Serial Number!"},
        {"a model of the other family", {{DeviceField::ModelName, "RX4100 WI-FI"}}, "of another family"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceEntry record = module;
        for (const auto& [field, text] : c.damage)
            record.setText(field, text);
        QFile file(dir.file("damaged.bin"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(record.data(), 256);
        file.close();
        const auto run = runVerbs({"config", "restore", "127.0.0.1", file.fileName(), "--tick-ms", "5"});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.says))) << run.err.toStdString();
    }
    EXPECT_TRUE(sim.lines("request", "kind", "save-header").empty());
}

TEST(FleetApply, AnExportedRecordOrAKeyFileGivesOnlyWhatItSetsAndNeverAModulesOwnFields)
{
    test::TempDirectory dir;
    auto sim = startModules({"address=127.0.0.1,modelName=RX_WIFI_IFBOARD,deviceName=OFFICE,ssid=Office,"
                             "wpaPsk=office-pass,tcpPort=9200",
                             "address=127.0.0.2", "address=127.0.0.3", "address=127.0.0.4"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const QString exported = dir.file("office.bin");
    ASSERT_EQ(runVerbs({"config", "export", "127.0.0.1", exported}).status, 0);

    auto run = runVerbs({"config", "apply", exported, "127.0.0.2", "127.0.0.3", "--tick-ms", "5"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("applying deviceName, tcpPort, udpPort, ipMode, wifiMode, authMode, encryType, ssid, "
                                 "wpaPsk from "))
        << run.err.toStdString();
    for (const std::string address : {"127.0.0.2", "127.0.0.3"}) {
        const auto stored = storedBy(sim, address);
        ASSERT_EQ(stored.size(), 1u) << address;
        EXPECT_EQ(stored[0].text(DeviceField::Ssid), "Office");
        EXPECT_EQ(stored[0].text(DeviceField::WpaPsk), "office-pass");
        EXPECT_EQ(stored[0].text(DeviceField::TcpPort), "9200");
        EXPECT_EQ(stored[0].text(DeviceField::DeviceName), "OFFICE");
        EXPECT_EQ(stored[0].text(DeviceField::ModelName), "RX7000 WI-FI");
        EXPECT_EQ(stored[0].text(DeviceField::MacAddress), "02-51-7F-00-00-0" + address.substr(8));
        EXPECT_EQ(stored[0].text(DeviceField::IpAddress), address);
    }

    QFile keys(dir.file("keys.txt"));
    ASSERT_TRUE(keys.open(QIODevice::WriteOnly));
    keys.write("$SBNRX9000\r\n$SLC1\r\n$SLI127.0.0.9\r\n$SOL100\r\n");
    keys.close();
    run = runVerbs({"config", "apply", keys.fileName(), "127.0.0.4", "--tick-ms", "5"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("not applied: modelName \"RX9000\": a module's own, not copied"));
    EXPECT_TRUE(run.err.contains("not applied: dpLength = \"100\": no field of the record a save sends"));
    const auto stored = storedBy(sim, "127.0.0.4");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].text(DeviceField::IpMode), "DHCP");
    EXPECT_EQ(stored[0].text(DeviceField::IpAddress), "127.0.0.4");
    EXPECT_EQ(stored[0].text(DeviceField::ModelName), "RX7000 WI-FI");

    // A file that sets nothing a save carries sends nothing.
    ASSERT_TRUE(keys.open(QIODevice::WriteOnly | QIODevice::Truncate));
    keys.write("$SBNRX9000\r\n$SOL100\r\n");
    keys.close();
    const std::size_t requests = sim.requestCount();
    run = runVerbs({"config", "apply", keys.fileName(), "127.0.0.4"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("sets no field a save carries to another module; nothing is sent"));
    EXPECT_EQ(sim.requestCount(), requests);
}

TEST(FleetApply, AMapNamingTheMacTwiceIsRefusedAndNothingIsSent)
{
    test::TempDirectory dir;
    auto sim = startModules({"address=127.0.0.1", "address=127.0.0.2"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    QFile map(dir.file("site.csv"));
    ASSERT_TRUE(map.open(QIODevice::WriteOnly));
    map.write("macAddress,ssid,MacAddress\r\n02-51-7F-00-00-01,Shop2,02-51-7F-00-00-02\r\n");
    map.close();

    const auto run = runVerbs({"config", "apply", "--map", map.fileName(), "--tick-ms", "5"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(map.fileName()
                                 + " line 1: macAddress is named twice: column 1 ('macAddress') and "
                                   "column 3 ('MacAddress')"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("nothing is sent")) << run.err.toStdString();
    EXPECT_EQ(sim.requestCount(), 0u);
}

TEST(FleetBackups, AComWriteIsBackedUpFirstToo)
{
    test::ScopedStateHome state;
    const std::filesystem::path link = std::filesystem::temp_directory_path()
                                       / ("fleet-com5-" + std::to_string(getpid()));
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--settings-pty", link.string() + ",macAddress=00-1F-7C-00-00-55"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    ::setenv("QUILLMAR_COM5", link.c_str(), 1);

    auto run = runVerbs({"com", "write", "--port", "COM5", "ssid=Backoffice"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const auto backups = listBackups(QFile::encodeName(state.backups()), QStringLiteral("00-1F-7C-00-00-55"));
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(QFile::decodeName(backups[0].path), backupNamedIn(run.err));
    EXPECT_NE(backups[0].record.text(DeviceField::Ssid), "Backoffice");

    qputenv("XDG_STATE_HOME", backups[0].path);
    run = runVerbs({"com", "write", "--port", "COM5", "ssid=Other"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("the record could not be backed up")) << run.err.toStdString();
    for (int i = 0; i < 10 && sim.lines("settings-write").size() < 1; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(sim.lines("settings-write").size(), 1u);
    ::unsetenv("QUILLMAR_COM5");
}

}  // namespace
}  // namespace quillmar
