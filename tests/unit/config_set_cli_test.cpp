// quillmar-cli config set, export and import in-process: against quillmar-sim
// on loopback in a network namespace of the test's own (the verbs send from
// port 6000 to port 5000), with short ticks; files in a temporary directory.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>
#include <unistd.h>

#include "record/device_entry.h"
#include "record/field_names.h"
#include "settable_fields.h"
#include "support/cli_runner.h"
#include "support/sim_process.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using test::runVerbs;

test::SimProcess startSim(const std::string& keys = {})
{
    return test::SimProcess(
        QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--module", "address=127.0.0.1" + (keys.empty() ? "" : "," + keys)});
}

QStringList setCommand(const QStringList& words)
{
    return QStringList{"config", "set", "127.0.0.1"} + words + QStringList{"--tick-ms", "5"};
}

DeviceEntry storedRecord(const test::SimProcess& sim)
{
    const auto stored = sim.lines("stored");
    const QByteArray bytes = stored.empty()
                                 ? QByteArray()
                                 : QByteArray::fromHex(QByteArray::fromStdString(stored[0].fields.at("record")));
    return DeviceEntry::fromBytes(bytes.constData(), std::size_t(bytes.size()));
}

TEST(ConfigSet, TheDefaultSimulatorTakesANewSsidAndTheOtherFieldsGoBackAsTheyCame)
{
    auto sim = startSim();
    ASSERT_TRUE(sim.ready()) << sim.error;
    const QJsonObject before =
        QJsonDocument::fromJson(runVerbs({"config", "show", "127.0.0.1", "--json"}).out.toUtf8()).object();

    const auto run = runVerbs(setCommand({"ssid=Other"}));
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("Save to Module OK\n"))) << run.out.toStdString();
    // The read, the header and the record, and the probe that found the module restarting.
    std::vector<std::string> kinds;
    for (const auto& line : sim.lines("request", "from", "127.0.0.1:6000"))
        kinds.push_back(line.fields.at("kind"));
    EXPECT_EQ(kinds, (std::vector<std::string>{"search", "search", "save-header", "save-record", "search"}));
    EXPECT_EQ(sim.lines("silent", "from", "127.0.0.1:6000").size(), 1u);

    QJsonObject expected = before;
    expected["ssid"] = QStringLiteral("Other");
    const DeviceEntry stored = storedRecord(sim);
    for (const FieldLayout& layout : deviceFieldLayout()) {
        const std::string_view name = fieldName(layout.field);
        EXPECT_EQ(QString::fromStdString(stored.text(layout.field)),
                  expected.value(QLatin1String(name.data(), qsizetype(name.size()))).toString())
            << name;
    }
}

// On a terminal a single save counts down to its verdict on one line of
// standard error, drawn over in place and cleared before the verdict.
TEST(ConfigSet, OneSaveOnATerminalCountsDownToItsVerdict)
{
    auto sim = startSim();
    ASSERT_TRUE(sim.ready()) << sim.error;
    const auto run = runVerbs({"config", "set", "127.0.0.1", "ssid=Other", "--tick-ms", "60", "--no-backup"},
                              [](cli::VerbContext& context) { context.errIsTerminal = true; });
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const qsizetype two = run.err.indexOf(QStringLiteral("\r\x1b[Kverdict in 2 s"));
    const qsizetype one = run.err.indexOf(QStringLiteral("\r\x1b[Kverdict in 1 s"));
    EXPECT_TRUE(two >= 0 && one > two) << run.err.toStdString();
    EXPECT_TRUE(run.err.endsWith(QStringLiteral("\r\x1b[K")));
    EXPECT_FALSE(run.out.contains(QStringLiteral("verdict in")));
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("Save to Module OK\n"))) << run.out.toStdString();
}

TEST(ConfigSet, EveryFieldConfigShowNamesIsTakenUnderThatNameButTheModulesOwn)
{
    auto sim = startSim();
    ASSERT_TRUE(sim.ready()) << sim.error;
    const QJsonObject shown =
        QJsonDocument::fromJson(runVerbs({"config", "show", "127.0.0.1", "--json"}).out.toUtf8()).object();
    ASSERT_EQ(shown.size(), 13);
    QStringList words;
    for (auto field = shown.begin(); field != shown.end(); ++field) {
        const QString word = field.key() + u'=' + field.value().toString();
        if (field.key() == QLatin1String("modelName") || field.key() == QLatin1String("macAddress")) {
            const auto run = runVerbs(setCommand({word}));
            EXPECT_EQ(run.status, 2);
            EXPECT_EQ(run.err.section(u'\n', 0, 0),
                      QStringLiteral("quillmar-cli config set: %1 is the module's own and is not changed by config set")
                          .arg(field.key()));
        } else {
            words << word;
        }
    }
    ASSERT_EQ(words.size(), 11);
    const auto run = runVerbs(setCommand(words));
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(sim.lines("stored").size(), 1u);
}

TEST(ConfigSet, AValueThatBreaksARuleSendsNothingAndItsDependentsAreCheckedAgainstTheModule)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--module", "address=127.0.0.1", "--module", "address=127.0.0.255"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const struct {
        QStringList words;
        const char* message;
        std::size_t requests;  // reads sent: a dependent field is checked against the module's record
    } cases[] = {
        {{QStringLiteral("wpaPsk=caf\u20AC-key")}, "wpaPsk: invalid WPAPSK config!", 0},
        {{"SSID=Shop Net"}, "ssid: invalid SSID config!", 0},
        {{"udpport=65536"}, "udpPort: invalid UDP Port", 0},
        {{"ip=192.0.2.255"}, "ipAddress: invalid IP address", 0},
        {{"authMode=SHARED"}, "encryType AES is not offered with authMode SHARED (it offers WEP)", 1},
        {{"wifiMode=Adhoc"}, "authMode WPA2PSK is not offered with wifiMode Adhoc", 1},
        {{"key=wep-key"}, "key is sent only with encryType WEP, and the module would have AES", 1},
        {{"authMode=OPEN", "encryType=WEP", "wpaPsk=x"}, "wpaPsk is not sent with encryType WEP", 1},
        {{"colour=blue"}, "unknown field 'colour'", 0},
        {{"ssid=A", "ssid=B"}, "ssid is given twice", 0},
    };
    std::size_t reads = 0;
    for (const auto& c : cases) {
        const auto run = runVerbs(setCommand(c.words));
        EXPECT_EQ(run.status, 2) << c.message;
        // A key given on the command line is warned of first.
        const QString refusal = run.err.startsWith(QLatin1String("quillmar-cli config set: warning: "))
                                    ? run.err.section(u'\n', 1)
                                    : run.err;
        EXPECT_TRUE(refusal.startsWith(QStringLiteral("quillmar-cli config set: ") + QLatin1String(c.message)))
            << run.err.toStdString();
        reads += c.requests;
        EXPECT_EQ(sim.requestCount(), reads) << c.message;
    }
    // A save sets only what it is given: a module at an address with a 255
    // keeps it, as nothing moves it there.
    auto run = runVerbs({"config", "set", "127.0.0.255", "ssid=Other", "--tick-ms", "5"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const auto stored = sim.lines("stored");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].fields.at("ip"), "127.0.0.255");
    EXPECT_EQ(stored[0].fields.at("ssid"), "Other");
}

TEST(ConfigSet, AModuleStillAnsweringAfterTheProbeIsNotConfirmed)
{
    auto sim = startSim("save=keep");
    ASSERT_TRUE(sim.ready()) << sim.error;
    const auto run = runVerbs(setCommand({"authMode=SHARED", "encryType=WEP", "key=wep-key-12345"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.out.contains(QStringLiteral("Save to Module OK")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("the save was not confirmed"))) << run.err.toStdString();
    const DeviceEntry stored = storedRecord(sim);
    EXPECT_EQ(stored.text(DeviceField::Key), "wep-key-12345");
    EXPECT_EQ(stored.text(DeviceField::WpaPsk), "lab-passphrase-1");  // not given: as the module had it
}

TEST(ConfigExport, WritesAnOwnerOnlyRegularFileAndNamesTheFieldThatBreaksARule)
{
    test::TempDirectory dir;
    const QString path = dir.file("module.bin");
    {
        auto sim = startSim("macAddress=00:1F:7C:00:00:01");
        ASSERT_TRUE(sim.ready()) << sim.error;
        const auto run = runVerbs({"config", "export", "127.0.0.1", path});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, QStringLiteral("quillmar-cli config export: the module's macAddress (\"00:1F:7C:00:00:01\") "
                                          "breaks the rule \"invalid MAC Address format!  about number.\"; nothing is "
                                          "written\n"));
        EXPECT_FALSE(QFile::exists(path));
    }
    auto sim = startSim();
    ASSERT_TRUE(sim.ready()) << sim.error;
    auto run = runVerbs({"config", "export", "127.0.0.1", path});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("export configuration file finished\n"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(DeviceEntry::fromBytes(file.readAll().constData(), 256).text(DeviceField::MacAddress),
              "02-51-7F-00-00-01");
    file.close();

    run = runVerbs({"config", "export", "127.0.0.1", path});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Please input another file name."))) << run.err.toStdString();
    EXPECT_EQ(runVerbs({"config", "export", "127.0.0.1", path, "--force"}).status, 0);

    // A FIFO, and a link to a device, are never replaced.
    const QString fifo = dir.file("fifo");
    const QString link = dir.file("null-link");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/null", QFile::encodeName(link).constData()), 0);
    for (const QString& target : {fifo, link}) {
        run = runVerbs({"config", "export", "127.0.0.1", target, "--force"});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains(QStringLiteral("is not a regular file and is left alone: create file failed")))
            << run.err.toStdString();
    }
    EXPECT_TRUE(QFileInfo(fifo).isFile() == false && QFileInfo(link).isSymLink());
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST(ConfigImport, ReadsOnlyRegularFilesAndShowsTheirBytesEscaped)
{
    test::TempDirectory dir;
    const QString path = dir.file("keys.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("header line\r\n$SBNRX\x1b[31m9000\\\r\n$SLI192.0.2.77\r\n$SLWx\r\n$SBNnever\r\n");
    file.close();
    auto run = runVerbs({"config", "import", path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, QStringLiteral("modelName = \"RX\\x1B[31m9000\\\\\"\nipAddress = 192.0.2.77\n"));
    EXPECT_TRUE(run.err.endsWith(QStringLiteral("importData: 'x' is not a valid integer value\n")))
        << run.err.toStdString();

    const QString fifo = dir.file("fifo.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& name : {fifo, QStringLiteral("/dev/zero"), dir.path()}) {
        run = runVerbs({"config", "import", name});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.endsWith(QStringLiteral(": open file failed\n"))) << run.err.toStdString();
    }
    run = runVerbs({"config", "import", dir.file("missing.txt")});
    EXPECT_TRUE(run.err.endsWith(QStringLiteral(": file isn't exists\n"))) << run.err.toStdString();
}

TEST(ConfigSetFields, NamesAreTakenInAnyCaseAndIpStaysAShortName)
{
    QString error;
    const auto changes = cli::parseFieldChanges({"IPADDRESS=192.0.2.9", "Ssid=a=b"}, error);
    ASSERT_TRUE(changes) << error.toStdString();
    EXPECT_EQ((*changes)[0].field, DeviceField::IpAddress);
    EXPECT_EQ((*changes)[1].value, QStringLiteral("a=b"));
    EXPECT_EQ(cli::parseFieldChanges({"ip=192.0.2.9"}, error)->at(0).field, DeviceField::IpAddress);
    EXPECT_FALSE(cli::parseFieldChanges({"=x"}, error));
}

}  // namespace
}  // namespace quillmar
