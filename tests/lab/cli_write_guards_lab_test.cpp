// What quillmar-cli does around a write, in the lab: a dry run that sends
// nothing, the address guard, the read-back that proves a save (and catches a
// module that stored something else) and a stop while it waits, the audit log
// of it all, and --all without a cap.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "lab/lab_process.h"
#include "lab/save_lab.h"
#include "support/sample_devices.h"
#include "support/state_home.h"
#include "support/temp_directory.h"

using namespace quillmar;
using namespace quillmar::test;

namespace {

// Runs quillmar-cli in the PC's namespace with its standard error in `out` too.
int cli(LabNetwork& lab, const std::string& arguments, std::string& out)
{
    out.clear();
    return lab.run("pc", {"/bin/sh", "-c", "\"$0\" " + arguments + " 2>&1", QUILLMAR_CLI_PATH}, &out);
}

QJsonArray jsonArrayIn(const std::string& out)
{
    const std::size_t start = out.find('[');
    return start == std::string::npos ? QJsonArray()
                                      : QJsonDocument::fromJson(QByteArray::fromStdString(out.substr(start))).array();
}

}  // namespace

TEST_F(SaveLabTest, DryRunGuardAndReadBackAreEachWhatTheyClaimAndTheLogHasTheWrites)
{
    // A restarts under its address after 35 s: silent at the probe, back for the read-back.
    ASSERT_TRUE(startModule("save=restart,restartAfter=35").ready()) << sim->error;
    ASSERT_TRUE(lab->addHost("mb", 'a', {"192.0.2.30/24@00-1F-7C-00-02-1E"})) << lab->error;
    SimProcess& moduleB = lab->startSim(
        "mb", {"--module", "address=192.0.2.30,macAddress=00-1F-7C-00-02-1E,save=restart,restartAfter=35,"
                           "storeSsid=NotWhatWasSent"});
    ASSERT_TRUE(moduleB.ready()) << moduleB.error;
    ScopedStateHome home;
    std::string out;

    // The dry run reads and says what would change, and sends no save.
    EXPECT_EQ(cli(*lab, "config set 192.0.2.20 ssid=DryNet wpapsk=dry-run-key --dry-run", out), 0) << out;
    EXPECT_NE(out.find("192.0.2.20 00-1F-7C-00-02-14: would save"), std::string::npos) << out;
    EXPECT_NE(out.find("  ssid: LabNet -> DryNet"), std::string::npos) << out;
    EXPECT_EQ(out.find("dry-run-key"), std::string::npos) << out;  // keys masked
    EXPECT_TRUE(sim->lines("request", "kind", "save-header").empty());

    // Another module's address is refused before anything is sent; allowed, the dry run would give it.
    EXPECT_EQ(cli(*lab, "config set 192.0.2.20 ip=192.0.2.30", out), 2) << out;
    EXPECT_NE(out.find("192.0.2.30 is the address of another module (00-1F-7C-00-02-1E"), std::string::npos) << out;
    EXPECT_EQ(cli(*lab, "config set 192.0.2.20 ip=192.0.2.30 --dry-run --allow-duplicate-address --json", out), 0)
        << out;
    EXPECT_EQ(jsonArrayIn(out).at(0).toObject().value("verdict").toString(), QStringLiteral("would save")) << out;
    EXPECT_TRUE(sim->lines("request", "kind", "save-header").empty());

    // Both saved at once and read back: A as sent, B with the SSID it chose.
    EXPECT_EQ(cli(*lab, "config set 192.0.2.20 192.0.2.30 ssid=Verified --verify --verify-timeout 60 --json", out), 1)
        << out;
    const QJsonArray verdicts = jsonArrayIn(out);
    ASSERT_EQ(verdicts.size(), 2) << out;
    EXPECT_EQ(verdicts[0].toObject().value("verdict").toString(), QStringLiteral("verified")) << out;
    EXPECT_EQ(verdicts[1].toObject().value("verdict").toString(), QStringLiteral("differs")) << out;
    const QJsonObject ssid = verdicts[1].toObject().value("differences").toObject().value("ssid").toObject();
    EXPECT_EQ(ssid.value("from").toString(), QStringLiteral("Verified"));
    EXPECT_EQ(ssid.value("to").toString(), QStringLiteral("NotWhatWasSent"));

    // The log has the refused save and the two writes with their read-back; the dry runs wrote nothing.
    out.clear();
    ASSERT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "log", "--json"}, &out), 0);
    const QJsonArray log = jsonArrayIn(out);
    ASSERT_EQ(log.size(), 3) << out;
    EXPECT_TRUE(log[0].toObject().value("verdict").toString().contains("is the address of another module")) << out;
    EXPECT_EQ(log[1].toObject().value("verdict").toString().left(33),
              QStringLiteral("confirmed; read back: verified at"));
    EXPECT_TRUE(log[2].toObject().value("verdict").toString().startsWith("confirmed; read back: differs")) << out;
    for (const QJsonValue& entry : log)
        EXPECT_EQ(entry.toObject().value("operation").toString(), QStringLiteral("config set"));
}

// An inventory applied as discover wrote it changes nothing, a DHCP module
// included (its row keeps the address its record stores, not where it
// answered); a map may swap two modules' addresses, but not give one the
// PC's own address or a network's own.
TEST_F(TwoModuleLabTest, AnInventoryAsItIsChangesNothingAndAMapMaySwapButNotTakeThePcsAddress)
{
    sim = &lab->startSim("ma", {"--module", "address=192.0.2.20,macAddress=00-1F-7C-00-02-14", "--module",
                                "address=192.0.2.21,macAddress=00-1F-7C-00-02-15"});
    ASSERT_TRUE(sim->ready()) << sim->error;
    ASSERT_TRUE(lab->addHost("mb", 'a', {"192.0.2.22/24@00-1F-7C-00-02-16"})) << lab->error;
    SimProcess& dhcp = lab->startSim(
        "mb", {"--module", "address=192.0.2.22,macAddress=00-1F-7C-00-02-16,ipMode=DHCP,ipAddress=192.0.2.99"});
    ASSERT_TRUE(dhcp.ready()) << dhcp.error;
    ScopedStateHome home;
    TempDirectory directory;
    const QString map = directory.file("site.csv");
    const auto apply = [&](const QByteArray& table, const std::string& options, std::string& out) {
        QFile file(map);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(table);
        file.close();
        return cli(*lab, "config apply --map " + map.toStdString() + " --quick --json " + options, out);
    };
    std::string out;
    ASSERT_EQ(lab->run("pc", {"/bin/sh", "-c", "\"$0\" discover --csv --quick 2>/dev/null", QUILLMAR_CLI_PATH}, &out),
              0)
        << out;
    EXPECT_NE(out.find("192.0.2.22,eth0,"), std::string::npos) << out;
    EXPECT_NE(out.find(",192.0.2.99,"), std::string::npos) << out;  // the DHCP module's own ipAddress
    EXPECT_EQ(apply(QByteArray::fromStdString(out), "", out), 0) << out;
    const QJsonArray unchanged = jsonArrayIn(out);
    ASSERT_EQ(unchanged.size(), 3) << out;
    for (const QJsonValue& verdict : unchanged)
        EXPECT_EQ(verdict.toObject().value("verdict").toString(), QStringLiteral("unchanged")) << out;

    const struct {
        QByteArray table;
        int status;
        const char* says;
    } cases[] = {
        {"macAddress,ip\n00-1F-7C-00-02-14,192.0.2.21\n00-1F-7C-00-02-15,192.0.2.20\n", 0, "would save"},
        {"macAddress,ip\n00-1F-7C-00-02-14,192.0.2.21\n", 2, "192.0.2.21 is the address of another module"},
        {"macAddress,ip\n00-1F-7C-00-02-14,192.0.2.1\n", 2, "line 2: 192.0.2.1 is this PC's own address"},
        {"macAddress,ip\n00-1F-7C-00-02-14,192.0.2.0\n", 2, "192.0.2.0 is the network address of 192.0.2.0/24"},
        {"macAddress,ip\n00-1F-7C-00-02-16,192.0.2.21\n", 2, "192.0.2.21 is the address of another module"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table.toStdString());
        EXPECT_EQ(apply(c.table, "--dry-run", out), c.status) << out;
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
    }
    EXPECT_TRUE(sim->lines("request", "kind", "save-header").empty());
    EXPECT_TRUE(dhcp.lines("request", "kind", "save-header").empty());
}

// --all has no cap on how many modules it saves, and its dry run lists the
// same; Ctrl-C while a save is read back ends the run as stopped.
TEST_F(SaveLabTest, AllSavesEveryModuleItFindsAndCtrlCDuringTheReadBackIsAStop)
{
    ASSERT_TRUE(startModule("save=restart,restartAfter=600").ready()) << sim->error;
    ScopedStateHome home;
    {
        LabProcess verify(*lab, "pc",
                          {"/bin/sh", "-c", "exec \"$0\" config set 192.0.2.20 ssid=Again --tick-ms 20 --verify 2>&1",
                           QUILLMAR_CLI_PATH});
        const auto reading = [](const std::string& line) { return line.find("Reading the saved") == 0; };
        ASSERT_TRUE(verify.lineWhere(reading, 0, std::chrono::seconds(20))) << verify.seen().size();
        EXPECT_EQ(verify.stop(SIGINT, std::chrono::seconds(5)), 130);
        const auto stopped = [](const std::string& line) { return line.find("stopped") != std::string::npos; };
        EXPECT_TRUE(verify.lineWhere(stopped, 0, std::chrono::seconds(1)));
    }

    std::vector<std::string> onA;
    for (int i = 100; i < 250; ++i)
        onA.push_back("192.0.2." + std::to_string(i) + "/24");
    ASSERT_TRUE(lab->addHost("na", 'a', onA)) << lab->error;
    SimProcess& many = lab->startSim("na", {"--generate", "150,address=192.0.2.100,save=restart,restartAfter=600"});
    ASSERT_TRUE(many.ready()) << many.error;
    std::string out;
    EXPECT_EQ(cli(*lab, "config set --all ssid=Bulk --quick --dry-run --json", out), 0) << out;
    EXPECT_EQ(jsonArrayIn(out).size(), 150);
    EXPECT_EQ(cli(*lab, "config set --all ssid=Bulk --quick --json --tick-ms 20", out), 0) << out;
    EXPECT_EQ(jsonArrayIn(out).size(), 150);
    EXPECT_EQ(many.lines("stored").size(), 150u);
}

// Two modules with one address, each on one of the PC's two networks: the
// map's rows stay apart by MAC, and each module is read and saved through the
// interface it answered on.
TEST_F(SaveLabTest, TwoModulesWithOneAddressOnTwoNetworksAreEachSavedByTheirRow)
{
    ASSERT_TRUE(lab->addHost("x", 'a', {"203.0.113.10/24@00-1F-7C-00-0A-01"})) << lab->error;
    ASSERT_TRUE(lab->addHost("y", 'b', {"203.0.113.10/24@00-1F-7C-00-0B-01"})) << lab->error;
    SimProcess& x = lab->startSim(
        "x", {"--module", "address=203.0.113.10,macAddress=00-1F-7C-00-0A-01,save=restart,restartAfter=600"});
    SimProcess& y = lab->startSim(
        "y", {"--module", "address=203.0.113.10,macAddress=00-1F-7C-00-0B-01,save=restart,restartAfter=600"});
    ASSERT_TRUE(x.ready()) << x.error;
    ASSERT_TRUE(y.ready()) << y.error;
    ScopedStateHome home;
    TempDirectory directory;
    const QString map = directory.file("site.csv");
    QFile file(map);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("macAddress,ssid\n00-1F-7C-00-0A-01,NetA\n00-1F-7C-00-0B-01,NetB\n");
    file.close();
    std::string out;
    EXPECT_EQ(cli(*lab, "config apply --map " + map.toStdString() + " --quick --json --tick-ms 20", out), 0) << out;
    const QJsonArray verdicts = jsonArrayIn(out);
    ASSERT_EQ(verdicts.size(), 2) << out;
    for (const QJsonValue& verdict : verdicts)
        EXPECT_EQ(verdict.toObject().value("verdict").toString(), QStringLiteral("confirmed")) << out;
    ASSERT_EQ(x.lines("stored").size(), 1u);
    ASSERT_EQ(y.lines("stored").size(), 1u);
    EXPECT_EQ(x.lines("stored")[0].fields.at("ssid"), "NetA");
    EXPECT_EQ(y.lines("stored")[0].fields.at("ssid"), "NetB");
}

// A stranger on the network that answers with a printer's MAC: neither host is
// written to until the user names the printer's address; a read-back forged
// by the stranger from another address does not verify a save.
TEST_F(SaveLabTest, AStrangerClaimingAPrintersMacGetsNothingAndForgesNoVerdict)
{
    ASSERT_TRUE(startModule("save=restart,restartAfter=3,storeSsid=NotWhatWasSent").ready()) << sim->error;
    ASSERT_TRUE(lab->addHost("st", 'a', {"192.0.2.66/24"})) << lab->error;
    SimProcess& stranger = lab->startSim(
        "st",
        {"--module", std::string("address=192.0.2.66,deviceName=LAB-20,ssid=LabNet,macAddress=") + kLabModuleMac});
    ASSERT_TRUE(stranger.ready()) << stranger.error;
    ScopedStateHome home;
    TempDirectory directory;
    const QString map = directory.file("site.csv");
    QFile file(map);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("macAddress,wpaPsk\n00-1F-7C-00-02-14,a-new-passphrase\n");
    file.close();
    std::string out;
    EXPECT_EQ(cli(*lab, "config apply --map " + map.toStdString() + " --quick", out), 2) << out;
    EXPECT_NE(out.find("MAC 00-1F-7C-00-02-14 answers from 192.0.2.20 and 192.0.2.66"), std::string::npos) << out;
    EXPECT_EQ(cli(*lab, "config set --all wpaPsk=a-new-passphrase --yes --quick --json", out), 2) << out;
    EXPECT_NE(out.find("its MAC answers from another address too: not sent"), std::string::npos) << out;
    // Named by the stranger's address, the row is still refused: the card
    // that sends from there is not that MAC's.
    EXPECT_EQ(cli(*lab, "config apply --map " + map.toStdString() + " --quick --address 192.0.2.66", out), 2) << out;
    EXPECT_NE(out.find("MAC does not match its sender: 192.0.2.66 answers as MAC 00-1F-7C-00-02-14, its network card "
                       "is 02-51-C0-00-02-42"),
              std::string::npos)
        << out;
    for (SimProcess* host : {sim, &stranger})
        EXPECT_TRUE(host->lines("request", "kind", "save-header").empty());

    // The user names the printer's address; the stranger then sends the
    // record the save leaves from port 5000 of its own address, and the
    // read-back, which takes only the printer at its address, is not fooled.
    const QString exported = directory.file("printer.bin");
    ASSERT_EQ(cli(*lab, "config export 192.0.2.20 " + exported.toStdString(), out), 0) << out;
    QFile printer(exported);
    ASSERT_TRUE(printer.open(QIODevice::ReadOnly));
    const QByteArray bytes = printer.readAll();
    DeviceEntry forged = DeviceEntry::fromBytes(bytes.constData(), std::size_t(bytes.size()));
    forged.setText(DeviceField::WpaPsk, "a-new-passphrase");
    ASSERT_TRUE(lab->addHost("fg", 'a', {"192.0.2.67/24"})) << lab->error;
    LabNetwork::Stranger forger(*lab, "fg", "192.0.2.67:5000", {"192.0.2.1:6000"},
                                std::string(forged.data(), forged.size()), std::chrono::milliseconds(100));
    EXPECT_EQ(cli(*lab,
                  "config apply --map " + map.toStdString()
                      + " --quick --address 192.0.2.20 --tick-ms 50 --verify --verify-timeout 20 --json",
                  out),
              1)
        << out;
    EXPECT_EQ(jsonArrayIn(out).at(0).toObject().value("verdict").toString(), QStringLiteral("differs")) << out;
    EXPECT_TRUE(stranger.lines("request", "kind", "save-header").empty());
    EXPECT_GT(forger.sent(), 0u);
}

// Hosts that keep sending well-formed records neither stretch a search past
// its bound nor cut it short; what an inventory carries cannot drive a
// terminal or a spreadsheet, and applied as it is changes nothing.
TEST_F(TwoModuleLabTest, RecordsOnRepeatNeitherStretchASearchNorSmuggleTextThroughAnInventory)
{
    sim = &lab->startSim("ma", {"--module", "address=192.0.2.20,macAddress=00-1F-7C-00-02-14,deviceName=\x1B[31mRED",
                                "--module", "address=192.0.2.21,macAddress=00-1F-7C-00-02-15,deviceName==SUM(A1)"});
    ASSERT_TRUE(sim->ready()) << sim->error;
    ASSERT_TRUE(lab->addHost("st", 'a', {"192.0.2.66/24"})) << lab->error;
    ScopedStateHome home;
    std::string out;
    {
        DeviceEntry repeated;
        repeated.setText(DeviceField::ModelName, "RX7000 WI-FI");
        repeated.setText(DeviceField::MacAddress, "00-1F-7C-00-06-66");
        LabNetwork::Stranger talker(*lab, "st", "192.0.2.66:5000", {"192.0.2.1:16384"},
                                    std::string(repeated.data(), repeated.size()), std::chrono::milliseconds(1900));
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(lab->run("pc", {"/bin/sh", "-c", "\"$0\" discover --csv 2>/dev/null", QUILLMAR_CLI_PATH}, &out), 0)
            << out;
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 1 + 4 * 2 + 10) << "a search of 4 rounds of 2 s each";
    }
    EXPECT_EQ(out.find('\x1B'), std::string::npos) << out;
    EXPECT_NE(out.find(",\\x1B[31mRED,"), std::string::npos) << out;
    EXPECT_NE(out.find(",'=SUM(A1),"), std::string::npos) << out;

    // The inventory as it is, less the talker's row (no printer answers for it).
    TempDirectory directory;
    const QString map = directory.file("site.csv");
    QFile file(map);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const QByteArray& line : QByteArray::fromStdString(out).split('\n')) {
        if (!line.startsWith("192.0.2.66,"))
            file.write(line + '\n');
    }
    file.close();
    EXPECT_EQ(cli(*lab, "config apply --map " + map.toStdString() + " --quick --json", out), 0) << out;
    const QJsonArray verdicts = jsonArrayIn(out);
    ASSERT_EQ(verdicts.size(), 2) << out;
    for (const QJsonValue& verdict : verdicts)
        EXPECT_EQ(verdict.toObject().value("verdict").toString(), QStringLiteral("unchanged")) << out;
    EXPECT_TRUE(sim->lines("request", "kind", "save-header").empty());
}

// --slip: once the save is confirmed and read back, the printer prints a slip
// at its new address that names it, and no key.
TEST_F(SaveLabTest, ASlipIsPrintedAtTheNewAddressAfterAProvenSave)
{
    ASSERT_TRUE(startModule("save=restart,restartAfter=2").ready()) << sim->error;
    ScopedStateHome home;
    std::string out;
    EXPECT_EQ(cli(*lab, "config set 192.0.2.20 ip=192.0.2.21 ssid=SlipNet --tick-ms 50 --verify --slip", out), 0)
        << out;
    EXPECT_NE(out.find("Test slip printed at 192.0.2.21:9100"), std::string::npos) << out;
    const auto jobs = sim->lines("print-job");
    ASSERT_EQ(jobs.size(), 1u) << out;
    EXPECT_EQ(jobs[0].fields.at("to"), "192.0.2.21:9100");
    EXPECT_EQ(jobs[0].fields.at("cut"), "yes");
    const std::string& text = jobs[0].fields.at("text");
    for (const char* line :
         {"Device:%20LAB-20", "MAC:%2000-1F-7C-00-02-14", "Address:%20192.0.2.21%20(STATIC)", "SSID:%20SlipNet"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in " << text;
    EXPECT_EQ(text.find("lab-passphrase"), std::string::npos) << text;
}
