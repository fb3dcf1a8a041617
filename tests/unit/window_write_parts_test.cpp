// What the windows' writes are made of below the windows: the History
// window's list of the audit log (newest first, a filter by MAC or text,
// changes by caption, an image's size and SHA-256), what a window of several
// printers shows and sets, how a restore plans its changes, and the words a
// window uses for a change and a verdict.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "config/several_printers.h"
#include "history/history_entries.h"
#include "support/sample_devices.h"
#include "write/change_text.h"
#include "write/restore_plan.h"

using namespace quillmar;

namespace {

AuditLogLine lineOf(int number, const char* json)
{
    AuditLogLine line;
    line.number = number;
    line.object = QJsonDocument::fromJson(QByteArray(json)).object();
    return line;
}

std::vector<AuditLogLine> sampleLog()
{
    return {
        lineOf(1,
               R"({"time":"2026-03-01T10:00:00.000Z","operation":"window save","macAddress":"00-1B-2C-3D-4E-5F",)"
               R"("deviceName":"POS-Kitchen","address":"192.0.2.20","changes":{"ssid":{"from":"ShopNet","to":"Shop2"},)"
               R"("ipAddress":{"from":"192.0.2.20","to":"192.0.2.21"}},"backup":"/b/1.bin","verdict":"confirmed"})"),
        lineOf(2, R"({"time":"2026-03-01T11:00:00.000Z","operation":"upgrade","macAddress":"00:1b:2c:3d:4e:60",)"
                  R"("address":"192.0.2.30","changes":{},"backup":"","image":{"size":65536,"sha256":"0a1b2c"},)"
                  R"("verdict":"download file failed"})"),
        {3, {}, QStringLiteral("the line has no end (a write was cut short)")},
        lineOf(
            4,
            R"({"time":"2026-03-01T09:00:00.000Z","operation":"config set","macAddress":"00-1B-2C-3D-4E-5F",)"
            R"("address":"192.0.2.20","changes":{"wpaPsk":{"from":"sha256:111111111111","to":"sha256:222222222222"}},)"
            R"("backup":"/b/0.bin","verdict":"confirmed"})"),
    };
}

}  // namespace

TEST(HistoryEntries, NewestFirstDamagedLinesLeftOutChangesByCaptionAndImagesBySizeAndHash)
{
    const HistoryReading reading = historyEntries(sampleLog());
    EXPECT_EQ(reading.damagedLines, 1);
    ASSERT_EQ(reading.entries.size(), 3u);
    EXPECT_EQ(reading.entries[0].line, 2);
    EXPECT_EQ(reading.entries[1].line, 1);
    EXPECT_EQ(reading.entries[2].line, 4);
    // In the record's order, by the captions the windows use.
    EXPECT_EQ(reading.entries[1].changesText(),
              QStringLiteral("IP Address: 192.0.2.20 -> 192.0.2.21, SSID: ShopNet -> Shop2"));
    EXPECT_EQ(reading.entries[1].printerText(), QStringLiteral("POS-Kitchen, 00-1B-2C-3D-4E-5F, 192.0.2.20"));
    EXPECT_EQ(reading.entries[0].changesText(), QStringLiteral("image 65536 bytes, SHA-256 0a1b2c"));
    // Keys stay as the log keeps them: masked.
    EXPECT_EQ(reading.entries[2].changesText(), QStringLiteral("WPAPSK: sha256:111111111111 -> sha256:222222222222"));
}

TEST(HistoryEntries, AFilterKeepsOnePrinterByMacInAnyNotationOrRowsShowingAText)
{
    const std::vector<HistoryEntry> entries = historyEntries(sampleLog()).entries;
    const auto kept = [&entries](const QString& filter) {
        std::vector<int> lines;
        for (const HistoryEntry& entry : entries) {
            if (historyEntryMatches(entry, filter))
                lines.push_back(entry.line);
        }
        return lines;
    };
    EXPECT_EQ(kept(QString()), (std::vector<int>{2, 1, 4}));
    EXPECT_EQ(kept(QStringLiteral("00:1b:2c:3d:4e:5f")), (std::vector<int>{1, 4}));
    EXPECT_EQ(kept(QStringLiteral("001B.2C3D.4E60")), (std::vector<int>{2}));
    EXPECT_EQ(kept(QStringLiteral("shop2")), (std::vector<int>{1}));
    EXPECT_EQ(kept(QStringLiteral("UPGRADE")), (std::vector<int>{2}));
    EXPECT_EQ(kept(QStringLiteral("kitchen")), (std::vector<int>{1}));
    EXPECT_TRUE(kept(QStringLiteral("nowhere")).empty());
}

TEST(SeveralPrinters, SharedFieldsShowWhereAllAgreeAndTheirOwnNeverDo)
{
    DeviceEntry a = test::kitchenPrinter("192.0.2.20", "00-1B-2C-3D-4E-5F");
    DeviceEntry b = test::kitchenPrinter("192.0.2.21", "00-1B-2C-3D-4E-60");
    b.setText(DeviceField::Ssid, "OtherNet");
    b.setText(DeviceField::DeviceName, "POS-Bar");
    const DeviceEntry shared = sharedRecord({a, b});
    EXPECT_EQ(shared.text(DeviceField::Ssid), "");
    EXPECT_EQ(shared.text(DeviceField::AuthMode), "WPA2PSK");
    EXPECT_EQ(shared.text(DeviceField::WpaPsk), "secret-pass");
    EXPECT_EQ(shared.text(DeviceField::ModelName), "RX7000 WI-FI");
    // Alike or not, a printer's own fields are never shown for all.
    EXPECT_EQ(shared.text(DeviceField::DeviceName), "");
    EXPECT_EQ(shared.text(DeviceField::MacAddress), "");
    EXPECT_EQ(shared.text(DeviceField::IpAddress), "");
    EXPECT_EQ(differingFields({a, b}), std::vector<DeviceField>{DeviceField::Ssid});
    for (const DeviceField own :
         {DeviceField::DeviceName, DeviceField::MacAddress, DeviceField::IpAddress, DeviceField::ModelName})
        EXPECT_FALSE(isSharedField(own));
}

TEST(RestorePlan, EveryFieldTheBackupHoldsOtherwiseOfTheSamePrinterAndFamilyOnly)
{
    DeviceEntry backup = test::kitchenPrinter("192.0.2.20");
    DeviceEntry now = backup;
    now.setText(DeviceField::Ssid, "Shop2");
    now.setText(DeviceField::IpAddress, "192.0.2.21");
    now.setText(DeviceField::Key, "other");  // the key AES does not send: left alone
    QString refusal;
    std::optional<RestoreWrite> write = restoreWrite(backup, QStringLiteral("b.bin"), now, QStringLiteral("192.0.2.21"),
                                                     refusal);
    ASSERT_TRUE(write) << refusal.toStdString();
    ASSERT_EQ(write->changes.size(), 2u);
    EXPECT_EQ(write->changes[0].field, DeviceField::IpAddress);
    EXPECT_EQ(write->changes[0].value, QStringLiteral("192.0.2.20"));
    EXPECT_EQ(write->changes[1].field, DeviceField::Ssid);
    EXPECT_EQ(write->chosenMac, "00-1B-2C-3D-4E-5F");

    DeviceEntry other = test::kitchenPrinter("192.0.2.21", "00-1B-2C-3D-4E-60");
    EXPECT_FALSE(restoreWrite(backup, QStringLiteral("b.bin"), other, QStringLiteral("192.0.2.21"), refusal));
    EXPECT_TRUE(refusal.contains(QStringLiteral("has MAC 00-1B-2C-3D-4E-60"))) << refusal.toStdString();
    other = now;
    other.setText(DeviceField::ModelName, "RX4100 WI-FI");
    EXPECT_FALSE(restoreWrite(backup, QStringLiteral("b.bin"), other, QStringLiteral("192.0.2.21"), refusal));
    EXPECT_TRUE(refusal.contains(QStringLiteral("of another family"))) << refusal.toStdString();

    backup.setText(DeviceField::IpAddress, "192.0.2.255");
    ASSERT_TRUE(backupProblem(backup, QStringLiteral("b.bin")));
    EXPECT_TRUE(backupProblem(backup, QStringLiteral("b.bin"))->contains(QStringLiteral("could not be reached")));
}

TEST(ChangeText, ChangesByCaptionEmptyTextsNamedAndAPrinterByItsParts)
{
    EXPECT_EQ(
        changeLines({{DeviceField::Ssid, QStringLiteral("ShopNet"), QStringLiteral("Shop2")},
                     {DeviceField::Key, QString(), QStringLiteral("sha256:0a1b2c3d4e5f")}}),
        (QStringList{QStringLiteral("SSID: ShopNet -> Shop2"), QStringLiteral("KEY: (empty) -> sha256:0a1b2c3d4e5f")}));
    EXPECT_EQ(printerText(QStringLiteral("Bar"), QStringLiteral("00-1B-2C-3D-4E-60"), QStringLiteral("192.0.2.21")),
              QStringLiteral("Bar (00-1B-2C-3D-4E-60) at 192.0.2.21"));
    EXPECT_EQ(printerText(QString(), QStringLiteral("00-1B-2C-3D-4E-60"), QStringLiteral("192.0.2.21")),
              QStringLiteral("00-1B-2C-3D-4E-60 at 192.0.2.21"));
    ModuleVerdict verdict;
    verdict.outcome = ModuleVerdict::Outcome::Confirmed;
    verdict.readback = ModuleVerdict::Readback::Differs;
    verdict.readbackAddress = QStringLiteral("192.0.2.21");
    verdict.differences = {{DeviceField::Ssid, QStringLiteral("Shop2"), QStringLiteral("ShopNet")}};
    EXPECT_EQ(readbackLine(verdict), QStringLiteral("differs at 192.0.2.21: SSID sent Shop2, found ShopNet"));
    EXPECT_EQ(windowVerdict(verdict), QStringLiteral("confirmed"));
    verdict.outcome = ModuleVerdict::Outcome::Skipped;
    EXPECT_EQ(windowVerdict(verdict), QStringLiteral("refused"));
}
