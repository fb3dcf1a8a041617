// A site rolled out from one table, in the lab: discover --csv makes the
// inventory, an edited copy goes back through config apply --map, and the
// search options a script uses (--quick, --interface, --model) filter.
#include <algorithm>
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "lab/save_lab.h"
#include "support/file_contents.h"
#include "support/state_home.h"
#include "support/temp_directory.h"

using namespace quillmar;
using namespace quillmar::test;

namespace {

int cli(LabNetwork& lab, const std::string& arguments, std::string& out)
{
    out.clear();
    return lab.run("pc", {"/bin/sh", "-c", "\"$0\" " + arguments, QUILLMAR_CLI_PATH}, &out);
}

QJsonArray jsonArrayIn(const std::string& out)
{
    const std::size_t start = out.find('[');
    return start == std::string::npos ? QJsonArray()
                                      : QJsonDocument::fromJson(QByteArray::fromStdString(out.substr(start))).array();
}

}  // namespace

TEST_F(TwoModuleLabTest, AnInventoryEditedInTwoCellsChangesOnlyThoseFieldsAndABadMapSendsNothing)
{
    // Two modules on one host; the second keeps its record.
    sim = &lab->startSim("ma", {"--module",
                                "address=192.0.2.20,deviceName=LAB-20,macAddress=00-1F-7C-00-02-14,"
                                "ssid=LabNet,save=restart,restartAfter=40",
                                "--module", "address=192.0.2.21,deviceName=LAB-21,macAddress=00-1F-7C-00-02-15"});
    ASSERT_TRUE(sim->ready()) << sim->error;
    ScopedStateHome home;
    TempDirectory directory;
    std::string out;

    ASSERT_EQ(cli(*lab, "discover --csv --quick 2>/dev/null", out), 0) << out;
    QStringList lines = QString::fromStdString(out).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << out;
    std::sort(lines.begin() + 1, lines.end());  // the rows in the order they answered
    EXPECT_TRUE(lines[0].startsWith("address,interface,modelName,deviceName,macAddress,ipAddress,")) << out;
    EXPECT_TRUE(lines[1].startsWith("192.0.2.20,eth0,")) << out;
    EXPECT_TRUE(lines[1].contains(",hmac:")) << out;  // the key masked, and applied back as it is
    // Two cells of the first module's row, and a module that is not there.
    lines[1].replace(QStringLiteral(",LAB-20,"), QStringLiteral(",FRONT-1,"));
    lines[1].replace(QStringLiteral(",LabNet,"), QStringLiteral(",\"Shop,2\","));
    lines << QStringLiteral(",,,,00:1f:7c:00:09:99,,,,,,,,,,");
    const QString map = directory.file("site.csv");
    writeFile(map, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());

    // A comma is no SSID character: the whole map is refused, naming the line.
    EXPECT_EQ(cli(*lab, "config apply --map " + map.toStdString() + " 2>&1", out), 2) << out;
    EXPECT_NE(out.find("site.csv line 2: ssid: invalid SSID config!"), std::string::npos) << out;
    EXPECT_EQ(sim->requestCount(), 1u);  // discover's one broadcast, nothing after it
    lines[1].replace(QStringLiteral("\"Shop,2\""), QStringLiteral("Shop2"));
    writeFile(map, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());

    EXPECT_EQ(cli(*lab, "config apply --map " + map.toStdString() + " --quick --json 2>/dev/null", out), 1) << out;
    const QJsonArray verdicts = jsonArrayIn(out);
    ASSERT_EQ(verdicts.size(), 3) << out;
    EXPECT_EQ(verdicts[0].toObject().value("verdict").toString(), QStringLiteral("confirmed")) << out;
    EXPECT_EQ(verdicts[1].toObject().value("verdict").toString(), QStringLiteral("unchanged")) << out;
    EXPECT_EQ(verdicts[2].toObject().value("verdict").toString(), QStringLiteral("not-found")) << out;
    EXPECT_EQ(verdicts[2].toObject().value("address").toString(), QStringLiteral("00-1F-7C-00-09-99"));

    // Only the two fields changed; nothing was sent to the second module but its read.
    const auto stored = sim->lines("stored");
    ASSERT_EQ(stored.size(), 1u);
    const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(stored[0].fields.at("record")));
    const DeviceEntry after = DeviceEntry::fromBytes(bytes.constData(), std::size_t(bytes.size()));
    QFile backup(home.auditEntries().value(0).value("backup").toString());
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    const QByteArray beforeBytes = backup.readAll();
    DeviceEntry expected = DeviceEntry::fromBytes(beforeBytes.constData(), std::size_t(beforeBytes.size()));
    expected.setText(DeviceField::DeviceName, "FRONT-1");
    expected.setText(DeviceField::Ssid, "Shop2");
    EXPECT_EQ(after.text(DeviceField::DeviceName), "FRONT-1");
    for (const FieldLayout& layout : deviceFieldLayout())
        EXPECT_EQ(after.text(layout.field), expected.text(layout.field)) << int(layout.field);
    EXPECT_TRUE(sim->lines("request", "to", "192.0.2.21").size() >= 1u);
    for (const SimLogLine& line : sim->lines("request", "kind", "save-header"))
        EXPECT_EQ(line.fields.at("to"), "192.0.2.20");
}

TEST_F(SaveLabTest, QuickInterfaceAndModelShapeASearchOfFortyModules)
{
    std::vector<std::string> onB;
    for (int i = 100; i < 120; ++i)
        onB.push_back("198.51.100." + std::to_string(i) + "/24");
    std::vector<std::string> onA;
    for (int i = 100; i < 120; ++i)
        onA.push_back("192.0.2." + std::to_string(i) + "/24");
    ASSERT_TRUE(lab->addHost("na", 'a', onA)) << lab->error;
    ASSERT_TRUE(lab->addHost("nb", 'b', onB)) << lab->error;
    SimProcess& a = lab->startSim("na", {"--generate", "20,address=192.0.2.100"});
    SimProcess& b = lab->startSim("nb", {"--generate", "20,address=198.51.100.100,modelName=RX_WIFI_IFBOARD"});
    ASSERT_TRUE(a.ready()) << a.error;
    ASSERT_TRUE(b.ready()) << b.error;
    std::string out;

    const struct {
        const char* options;
        int status;
        int listed;
        const char* says;
    } cases[] = {
        {"--quick", 0, 40, ""},
        {"--quick --interface eth1", 0, 20, ""},
        {"--quick --model ifboard", 0, 20, ""},
        {"--quick --interface eth0 --model IFBOARD", 3, 0, ""},
        {"--interface eth7", 2, -1, "'eth7' is no interface of this PC with an IPv4 address (interfaces: eth0, eth1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const int status = cli(*lab, std::string("discover --json ") + c.options + " 2>&1", out);
        EXPECT_EQ(status, c.status) << out;
        if (c.listed >= 0) {
            EXPECT_EQ(jsonArrayIn(out).size(), c.listed) << out;
        }
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
    }
    EXPECT_EQ(cli(*lab, "discover --json --quick --interface eth1 2>/dev/null", out), 0);
    for (const QJsonValue& module : jsonArrayIn(out))
        EXPECT_TRUE(module.toObject().value("address").toString().startsWith("198.51.100.")) << out;
}

// Not timed: the map's one search and one shared save time hold 250 modules.
TEST_F(SaveLabTest, AMapOf250ModulesOnTwoNetworksIsListedAndSavedWhole)
{
    std::vector<std::string> onA;
    std::vector<std::string> onB;
    for (int i = 100; i < 225; ++i) {
        onA.push_back("192.0.2." + std::to_string(i) + "/24");
        onB.push_back("198.51.100." + std::to_string(i) + "/24");
    }
    ASSERT_TRUE(lab->addHost("na", 'a', onA)) << lab->error;
    ASSERT_TRUE(lab->addHost("nb", 'b', onB)) << lab->error;
    SimProcess& a = lab->startSim("na", {"--generate", "125,address=192.0.2.100"});
    SimProcess& b = lab->startSim("nb", {"--generate", "125,address=198.51.100.100"});
    ASSERT_TRUE(a.ready()) << a.error;
    ASSERT_TRUE(b.ready()) << b.error;
    ScopedStateHome home;
    TempDirectory directory;
    std::string out;

    ASSERT_EQ(cli(*lab, "discover --csv --quick 2>/dev/null", out), 0);
    QStringList lines = QString::fromStdString(out).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 251);
    const int ssid = int(lines[0].split(u',').indexOf(QStringLiteral("ssid")));
    ASSERT_GT(ssid, 0);
    for (int row = 1; row < lines.size(); ++row) {
        QStringList cells = lines[row].split(u',');
        cells[ssid] = QStringLiteral("Site250");
        lines[row] = cells.join(u',');
    }
    const QString map = directory.file("site.csv");
    writeFile(map, lines.join(QStringLiteral("\n")).toUtf8());

    EXPECT_EQ(cli(*lab, "config apply --map " + map.toStdString() + " --quick --json 2>/dev/null", out), 0);
    const QJsonArray verdicts = jsonArrayIn(out);
    ASSERT_EQ(verdicts.size(), 250);
    for (const QJsonValue& verdict : verdicts)
        EXPECT_EQ(verdict.toObject().value("verdict").toString(), QStringLiteral("confirmed"));
    EXPECT_EQ(a.lines("stored").size() + b.lines("stored").size(), 250u);
    for (SimProcess* sim : {&a, &b}) {
        for (const SimLogLine& stored : sim->lines("stored"))
            EXPECT_EQ(stored.fields.at("ssid"), "Site250");
    }
}

// config check on an inventory where one printer's SSID is no longer what
// the table says and one printer is not there: exit status 1, both named, the
// third row matches, and nothing is written.
TEST_F(SaveLabTest, ConfigCheckNamesTheDriftedAndTheAbsentPrinterAndWritesNothing)
{
    sim = &lab->startSim("ma",
                         {"--module", "address=192.0.2.20,deviceName=LAB-20,macAddress=00-1F-7C-00-02-14,ssid=ShopX",
                          "--module", "address=192.0.2.21,deviceName=LAB-21,macAddress=00-1F-7C-00-02-15"});
    ASSERT_TRUE(sim->ready()) << sim->error;
    TempDirectory directory;
    std::string out;
    ASSERT_EQ(cli(*lab, "discover --csv --quick 2>/dev/null", out), 0) << out;
    const QString map = directory.file("site.csv");
    writeFile(map, QByteArray::fromStdString(out));
    // The inventory as it was taken: every row matches.
    ASSERT_EQ(cli(*lab, "config check --map " + map.toStdString() + " 2>&1", out), 0) << out;
    EXPECT_NE(out.find("2 of 2 printers as the table says\n"), std::string::npos) << out;

    // The plan says Shop2 for the first printer, and has a third that is gone.
    QString table;
    {
        QFile file(map);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        table = QString::fromUtf8(file.readAll());
    }
    table.replace(QStringLiteral(",ShopX,"), QStringLiteral(",Shop2,"));
    table += QStringLiteral(",,,,00:1f:7c:00:09:99,,,,,,,,,,\r\n");
    writeFile(map, table.toUtf8());
    EXPECT_EQ(cli(*lab, "config check --map " + map.toStdString() + " 2>&1", out), 1) << out;
    EXPECT_NE(out.find("00-1F-7C-00-02-14  192.0.2.20  ssid: Shop2 -> ShopX\n"), std::string::npos) << out;
    EXPECT_NE(out.find("00-1F-7C-00-02-15  192.0.2.21  matches\n"), std::string::npos) << out;
    EXPECT_NE(out.find("00-1F-7C-00-09-99  -           not found\n"), std::string::npos) << out;
    EXPECT_NE(out.find("1 of 3 printers as the table says\n"), std::string::npos) << out;

    EXPECT_EQ(cli(*lab, "config check --map " + map.toStdString() + " --json 2>/dev/null", out), 1) << out;
    const QJsonArray rows = jsonArrayIn(out);
    ASSERT_EQ(rows.size(), 3) << out;
    EXPECT_EQ(rows[0].toObject().value("verdict").toString(), QStringLiteral("drifted"));
    EXPECT_EQ(rows[0].toObject().value("drift").toArray().at(0).toObject(),
              QJsonObject({{"field", "ssid"}, {"table", "Shop2"}, {"printer", "ShopX"}}));
    EXPECT_EQ(rows[1].toObject().value("verdict").toString(), QStringLiteral("matches"));
    EXPECT_EQ(rows[2].toObject().value("verdict").toString(), QStringLiteral("not found"));
    // Searches only: no read of a record, no save.
    for (const SimLogLine& line : sim->lines("request"))
        EXPECT_EQ(line.fields.at("kind"), "search");
}
