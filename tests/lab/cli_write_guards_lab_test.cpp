// What quillmar-cli does around a write, in the lab with the real timing: a dry
// run that sends nothing, the address guard, the read-back that proves a save
// (and catches a module that stored something else), and the audit log of it all.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "lab/save_lab.h"
#include "support/state_home.h"

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
    ASSERT_TRUE(lab->addHost("mb", 'a', {"192.0.2.30/24"})) << lab->error;
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
