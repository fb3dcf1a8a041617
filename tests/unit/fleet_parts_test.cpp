// The parts of the fleet verbs that need no network: where backups go and what
// they are named, what a file for config apply sets, what a watch reports
// between two searches, and the exit status of many verdicts.
#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>

#include "applied_file.h"
#include "fleet_verb_base.h"
#include "history/record_backups.h"
#include "module_watch.h"
#include "record/ipv4_text.h"
#include "site_map.h"
#include "support/sample_devices.h"
#include "support/state_home.h"
#include "support/temp_directory.h"
#include "write/write_guard.h"

namespace quillmar {
namespace {

mode_t modeOf(const QByteArray& path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(RecordBackups, FolderNamesComeFromTheMacAndNeverFormAPathOfTheirOwn)
{
    const struct {
        std::string_view mac;
        const char* folder;
    } cases[] = {
        {"00-1f-7c-00-02-14", "00-1F-7C-00-02-14"},
        {"00:1F:7C:00:02:14", "00-1F-7C-00-02-14"},
        {"001F.7C00.0214", "00-1F-7C-00-02-14"},
        {"001F7C000214", "00-1F-7C-00-02-14"},
        {"00-1F-7C-00-02-14-EXTRA", "00-1F-7C-00-02-14"},  // compared on 17 characters
        {"../../etc", "mac-2e2e2f2e2e2f657463"},
        {"00-1F-7C-00-02", "mac-30302d31462d37432d30302d3032"},
        {"", "mac-none"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(backupFolderName(c.mac), QLatin1String(c.folder)) << c.mac;
}

TEST(RecordBackups, AreStoredPrivatelyNeverReplacedAndListedInTimeOrder)
{
    test::TempDirectory dir;
    const QByteArray root = QFile::encodeName(dir.file("state/quillmar/backups"));
    const QDateTime when(QDate(2026, 5, 1), QTime(10, 15, 2, 123), Qt::UTC);
    DeviceEntry first = test::kitchenPrinter("192.0.2.20", "00-1f-7c-00-02-14");
    DeviceEntry second = first;
    second.setText(DeviceField::Ssid, "Later");

    const StoredBackup a = storeBackup(first, root, when);
    const StoredBackup b = storeBackup(second, root, when);  // the same millisecond
    const StoredBackup c = storeBackup(test::kitchenPrinter("192.0.2.30", "00-1F-7C-00-00-01"), root,
                                       when.addSecs(-60));
    ASSERT_TRUE(a.stored() && b.stored() && c.stored()) << a.error.toStdString();
    EXPECT_EQ(a.path, root + "/00-1F-7C-00-02-14/20260501T101502.123Z.bin");
    EXPECT_EQ(b.path, root + "/00-1F-7C-00-02-14/20260501T101502.123Z-2.bin");
    EXPECT_EQ(modeOf(a.path), 0600u);
    EXPECT_EQ(modeOf(root), 0700u);
    EXPECT_EQ(modeOf(root + "/00-1F-7C-00-02-14"), 0700u);

    const std::vector<BackupFile> all = listBackups(root);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].folder, "00-1F-7C-00-00-01");
    EXPECT_EQ(all[1].record, first);
    EXPECT_EQ(all[2].record, second);
    EXPECT_EQ(all[1].time, when);
    EXPECT_EQ(listBackups(root, QStringLiteral("00-1F-7C-00-02-14")).size(), 2u);

    // Files that are no backup are not listed; a backups directory that cannot
    // be made stores nothing and says why.
    QFile stray(QFile::decodeName(root) + "/00-1F-7C-00-00-01/notes.bin");
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.write(QByteArray(256, 'x'));
    stray.close();
    EXPECT_EQ(listBackups(root).size(), 3u);
    const StoredBackup blocked = storeBackup(first, QFile::encodeName(stray.fileName()) + "/below");
    EXPECT_FALSE(blocked.stored());
    EXPECT_TRUE(blocked.error.contains("notes.bin")) << blocked.error.toStdString();
}

TEST(RecordBackups, GoUnderXdgStateHomeOrTheHomesLocalState)
{
    test::ScopedStateHome state;
    QString error;
    EXPECT_EQ(backupRoot(error), QFile::encodeName(state.backups()));
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "relative/dir");  // ignored, as the base directory rules say
    EXPECT_EQ(backupRoot(error), qgetenv("HOME") + "/.local/state/quillmar/backups");
    qputenv("XDG_STATE_HOME", saved);
}

TEST(AppliedFile, IsARecordOrAKeyFileByItsBytes)
{
    test::TempDirectory dir;
    const auto write = [&dir](const QString& name, const QByteArray& bytes) {
        QFile file(dir.file(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return QFile::encodeName(file.fileName());
    };
    DeviceEntry record = test::kitchenPrinter("192.0.2.20");
    record.setText(DeviceField::EncryType, "WEP");
    QByteArray keys = "header line\r\n$SBNRX9000\r\n$SLC1\r\n$SLI10.0.0.9\r\n$SOL100\r\n";
    QByteArray paddedKeys = keys + QByteArray(256 - keys.size(), ' ');  // 256 bytes, but text with "$S" lines

    QString error;
    auto file = cli::readAppliedFile(write("a.bin", QByteArray(record.data(), 256)), error);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->kind, cli::AppliedFile::Kind::Record);
    // With WEP the WEP key goes and the WPA key is named as not sent.
    EXPECT_EQ(file->changes.back().field, DeviceField::Key);
    EXPECT_EQ(file->changes.back().value, "wepkey1");
    EXPECT_EQ(file->notApplied.constLast(), "wpaPsk is not sent with encryType WEP");
    for (const QByteArray& text : {keys, paddedKeys}) {
        file = cli::readAppliedFile(write("keys.txt", text), error);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->kind, cli::AppliedFile::Kind::KeyFile);
        ASSERT_EQ(file->changes.size(), 1u);
        EXPECT_EQ(file->changes[0].field, DeviceField::IpMode);
        EXPECT_EQ(file->changes[0].value, "DHCP");
        EXPECT_EQ(file->notApplied, (QStringList{"modelName \"RX9000\": a module's own, not copied",
                                                 "ipAddress 10.0.0.9: a module's own, not copied",
                                                 "dpLength = \"100\": no field of the record a save sends"}));
    }
    const struct {
        QByteArray bytes;
        const char* error;
    } refused[] = {
        {"", "read file failed."},
        {QByteArray(1024, '$'), "read file failed."},
        {"$SLWnine\r\n", "importData: "},
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(cli::readAppliedFile(write("bad", c.bytes), error));
        EXPECT_TRUE(error.startsWith(QLatin1String(c.error))) << error.toStdString();
    }
    EXPECT_FALSE(cli::readAppliedFile(QFile::encodeName(dir.file("none")), error));
    EXPECT_EQ(error, "file isn't exists");
}

TEST(ModuleWatch, ReportsModulesThatAppearedChangedOrWentSilentByMac)
{
    const DeviceEntry a = test::kitchenPrinter("192.0.2.10", "00-1F-7C-00-00-0A");
    const DeviceEntry b = test::kitchenPrinter("192.0.2.11", "00-1F-7C-00-00-0B");
    const DeviceEntry c = test::kitchenPrinter("198.51.100.12", "00-1F-7C-00-00-0C");
    DeviceEntry bMoved = b;
    bMoved.setText(DeviceField::IpAddress, "198.51.100.11");
    bMoved.setText(DeviceField::Ssid, "Shop2");

    using Kind = cli::WatchEvent::Kind;
    const auto events = cli::compareSearches({a, b, c},
                                             {bMoved, test::kitchenPrinter("192.0.2.13", "00-1F-7C-00-00-0D"), a});
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, Kind::Changed);
    EXPECT_EQ(events[0].changed, (std::vector<DeviceField>{DeviceField::IpAddress, DeviceField::Ssid}));
    EXPECT_EQ(events[1].kind, Kind::Appeared);
    EXPECT_EQ(events[1].module.text(DeviceField::MacAddress), "00-1F-7C-00-00-0D");
    EXPECT_EQ(events[2].kind, Kind::Silent);
    EXPECT_EQ(events[2].module, c);
    EXPECT_TRUE(cli::compareSearches({a, b}, {b, a}).empty());
}

TEST(FleetExitStatus, IsZeroOnlyWhenEverySaveWasConfirmed)
{
    using O = ModuleVerdict::Outcome;
    using R = ModuleVerdict::Readback;
    const auto verdict = [](O outcome, bool sent = false, R readback = R::NotAsked) {
        ModuleVerdict v;
        v.outcome = outcome;
        v.saveSent = sent;
        v.readback = readback;
        return v;
    };
    const struct {
        std::vector<ModuleVerdict> verdicts;
        int status;
    } cases[] = {
        {{verdict(O::Confirmed, true), verdict(O::Confirmed, true)}, 0},
        {{verdict(O::Confirmed, true), verdict(O::Unconfirmed, true)}, 1},
        {{verdict(O::Confirmed, true), verdict(O::Skipped)}, 1},
        {{verdict(O::Confirmed, true), verdict(O::NoAnswer)}, 1},
        {{verdict(O::Skipped), verdict(O::NoAnswer)}, 2},   // nothing saved, a rule broken
        {{verdict(O::NoAnswer), verdict(O::NoAnswer)}, 3},  // nobody there
        {{verdict(O::Failed), verdict(O::Skipped)}, 1},     // a backup or a send failed
        {{}, 3},
        {{verdict(O::Confirmed, true, R::Verified), verdict(O::Confirmed, true, R::Verified)}, 0},
        {{verdict(O::Confirmed, true, R::Verified), verdict(O::Confirmed, true, R::Differs)}, 1},
        {{verdict(O::Confirmed, true, R::NotSeenAgain)}, 1},
        {{verdict(O::WouldSave), verdict(O::WouldSave)}, 0},  // a dry run
        {{verdict(O::WouldSave), verdict(O::Skipped)}, 2},    // a rule or guard refused one
        {{verdict(O::Confirmed, true, R::Stopped)}, 130},     // Ctrl-C while reading back
    };
    for (const auto& c : cases)
        EXPECT_EQ(cli::fleetExitStatus(c.verdicts), c.status);
}

TEST(WriteGuard, RefusesWhatNoPrinterMayTakeAndAnotherPrintersAddressButLetsTwoPrintersSwap)
{
    const auto record = [](const char* address, const char* mac, const char* ipMode = "STATIC") {
        DeviceEntry entry = test::kitchenPrinter(address, mac);
        entry.setText(DeviceField::IpMode, ipMode);
        return entry;
    };
    const std::uint32_t at20 = 0xC0000214u;  // 192.0.2.20
    const DeviceEntry a = record("192.0.2.20", "00-1F-7C-00-00-0A");
    const DeviceEntry b = record("192.0.2.30", "00-1F-7C-00-00-0B");
    const DeviceEntry c = record("192.0.2.40", "00-1F-7C-00-00-0C");
    const DeviceEntry d = record("198.51.100.9", "00-1F-7C-00-00-0D");
    const std::vector<LocalAddress> pc{{0xC0000201u, 1, 0xFFFFFF00u}, {0xC6336401u, 2, 0xFFFFFF00u}};
    const auto guardOf = [&] {
        WriteGuard guard;
        guard.setCensus({{a, at20}, {b, 0xC000021Eu}, {c, 0xC0000228u}, {d, 0xC6336409u}}, pc);
        return guard;
    };
    const struct {
        const char* mac;
        std::optional<std::uint32_t> keptAt;
        const char* address;
        const char* refusal;  // the start of it; nullptr: allowed
        bool inUse;
    } cases[] = {
        {"00-1F-7C-00-00-0A", at20, "192.0.2.20", nullptr, false},  // kept
        {"00-1F-7C-00-00-0A", at20, "192.0.2.50", nullptr, false},
        {"00:1f:7c:00:00:0b", 0xC000021Eu, "192.0.2.30", nullptr, false},  // kept, MAC in another notation
        {"00-1F-7C-00-00-0A", at20, "192.0.2.30", "192.0.2.30 is the address of another module (00-1F-7C-00-00-0B",
         true},
        {"00-1F-7C-00-00-0A", at20, "198.51.100.9", "198.51.100.9 is the address of another module", true},
        {"00-1F-7C-00-00-0A", at20, "192.0.2.1", "192.0.2.1 is this PC's own address", false},
        {"00-1F-7C-00-00-0A", at20, "198.51.100.1", "198.51.100.1 is this PC's own address", false},
        {"00-1F-7C-00-00-0A", at20, "192.0.2.0", "192.0.2.0 is the network address of 192.0.2.0/24", false},
        {"00-1F-7C-00-00-0A", at20, "198.51.100.255", "198.51.100.255 is the broadcast address of 198.51.100.0/24",
         false},
        {"00-1F-7C-00-00-0A", at20, "127.0.0.5", "127.0.0.5 is a loopback address", false},
        {"00-1F-7C-00-00-0A", 0x7F000001u, "127.0.0.5", nullptr, false},  // a simulated printer on loopback
        {"00-1F-7C-00-00-0A", at20, "224.0.0.9", "224.0.0.9 is a multicast address", false},
        {"00-1F-7C-00-00-0A", at20, "0.1.2.3", "0.1.2.3 is in 0.0.0.0/8", false},
        // A DHCP printer keeps only where it answers: the address its record
        // stores may long be another's.
        {"00-1F-7C-00-00-0E", 0xC000022Du, "192.0.2.40", "192.0.2.40 is the address of another module", true},
        {"00-1F-7C-00-00-0E", std::nullopt, "192.0.2.20", "192.0.2.20 is the address of another module", true},
    };
    for (const auto& c : cases) {
        WriteGuard guard = guardOf();
        const std::optional<GuardRefusal> refusal = guard.check(c.mac, c.keptAt, *parseIpv4(c.address));
        if (!c.refusal) {
            EXPECT_FALSE(refusal) << c.address << ": " << refusal->reason.toStdString();
            continue;
        }
        ASSERT_TRUE(refusal) << c.address;
        EXPECT_TRUE(refusal->reason.startsWith(QLatin1String(c.refusal))) << refusal->reason.toStdString();
        EXPECT_EQ(refusal->inUse, c.inUse) << c.address;
    }

    // One command: one address for two printers is refused, two printers
    // that swap their addresses are not.
    WriteGuard command = guardOf();
    EXPECT_FALSE(command.check("00-1F-7C-00-00-0A", at20, 0xC0000232u));
    const auto twice = command.check("00-1F-7C-00-00-0C", 0xC0000228u, 0xC0000232u);
    ASSERT_TRUE(twice);
    EXPECT_TRUE(twice->reason.startsWith("192.0.2.50 is given to 00-1F-7C-00-00-0A too"))
        << twice->reason.toStdString();
    WriteGuard swap = guardOf();
    swap.expectMove("00-1F-7C-00-00-0A", 0xC000021Eu);
    swap.expectMove("00-1F-7C-00-00-0B", at20);
    EXPECT_FALSE(swap.check("00-1F-7C-00-00-0A", at20, 0xC000021Eu));
    EXPECT_FALSE(swap.check("00-1F-7C-00-00-0B", 0xC000021Eu, at20));
    EXPECT_TRUE(swap.check("00-1F-7C-00-00-0C", 0xC0000228u, at20));  // taken in this command already

    WriteGuard allowing = guardOf();
    allowing.allowDuplicates(true);
    EXPECT_FALSE(allowing.check("00-1F-7C-00-00-0A", at20, 0xC000021Eu));
    EXPECT_TRUE(allowing.check("00-1F-7C-00-00-0A", at20, 0xC0000201u));  // still not the PC's own

    WriteGuard guard = guardOf();
    EXPECT_EQ(guard.warning(at20, record("192.0.2.50", "x")), std::nullopt);
    EXPECT_EQ(guard.warning(at20, record("203.0.113.5", "x", "DHCP")), std::nullopt);
    const auto warning = guard.warning(at20, record("203.0.113.5", "x"));
    ASSERT_TRUE(warning);
    EXPECT_TRUE(warning->startsWith("203.0.113.5 is outside 192.0.2.0/24, the network 192.0.2.20 answered on"))
        << warning->toStdString();
}

TEST(SiteMap, RefusesAHeaderThatNamesAFieldTwiceOrCannotBeApplied)
{
    test::TempDirectory dir;
    const QString path = dir.file("site.csv");
    const auto read = [&path](const QByteArray& text, QStringList& refusals) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        refusals.clear();
        return cli::readSiteMap(QFile::encodeName(path), refusals);
    };
    // Each map is refused as a whole, with one message naming the header's line.
    const struct {
        QByteArray text;
        const char* refusal;
    } refused[] = {
        {"macAddress,deviceName,MACADDRESS\r\n00-1F-7C-00-02-14,FRONT,00-1F-7C-00-02-15\r\n",
         "macAddress is named twice: column 1 ('macAddress') and column 3 ('MACADDRESS')"},
        {"ssid,macAddress,SSID\r\nShopA,00-1F-7C-00-02-14,ShopB\r\n",
         "ssid is named twice: column 1 ('ssid') and column 3 ('SSID')"},
        {"macAddress,ip,ipAddress\r\n00-1F-7C-00-02-14,192.0.2.30,192.0.2.31\r\n",
         "ipAddress is named twice: column 2 ('ip') and column 3 ('ipAddress')"},
        {"macAddress,wpaPsk,deviceName,wpapsk\r\n00-1F-7C-00-02-14,,FRONT,\r\n",
         "wpaPsk is named twice: column 2 ('wpaPsk') and column 4 ('wpapsk')"},  // even with its cells empty
        {"macAddress, ssid ,Ssid\r\n", "ssid is named twice: column 2 ('ssid') and column 3 ('Ssid')"},
        {"deviceName,ssid\r\nFRONT,ShopA\r\n", "no macAddress column"},
        {"macAddress,printerName\r\n00-1F-7C-00-02-14,FRONT\r\n", "unknown column 'printerName'"},
    };
    QStringList refusals;
    for (const auto& c : refused) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_FALSE(read(c.text, refusals));
        EXPECT_EQ(refusals.join(u'\n').toStdString(),
                  QStringLiteral("%1 line 1: %2").arg(path, QLatin1String(c.refusal)).toStdString());
    }

    // The inventory discover --csv writes names every field once.
    const auto rows = read("address,interface,modelName,deviceName,macAddress,ipAddress,tcpPort,udpPort,ipMode,"
                           "wifiMode,authMode,encryType,ssid,key,wpaPsk\r\n"
                           "192.0.2.20,eth0,RX7000 WI-FI,FRONT,00:1f:7c:00:02:14,,,,,,,,ShopA,,\r\n",
                           refusals);
    ASSERT_TRUE(rows) << refusals.join(u'\n').toStdString();
    ASSERT_EQ(rows->size(), 1u);
    EXPECT_EQ((*rows)[0].mac, QStringLiteral("00-1F-7C-00-02-14"));
    EXPECT_EQ((*rows)[0].changes.size(), 2u);  // deviceName and ssid

    // A MAC cell with more than a MAC names no printer; what discover --csv
    // escaped comes back as the module's own bytes.
    EXPECT_FALSE(read("macAddress,ssid\r\n00:1F:7C:00:0A:0A:77,ShopA\r\n", refusals));
    EXPECT_TRUE(refusals.join(u'\n').contains("'00:1F:7C:00:0A:0A:77' is not a MAC address"))
        << refusals.join(u'\n').toStdString();
    const auto escaped = read("macAddress,deviceName\r\n001F.7C00.0214,'=SUM(A1)\\x1B\r\n", refusals);
    ASSERT_TRUE(escaped) << refusals.join(u'\n').toStdString();
    EXPECT_EQ((*escaped)[0].changes.at(0).value, QStringLiteral("=SUM(A1)\x1B"));

    // A FIFO, a device or a huge file is refused before it is read.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file("fifo.csv")).constData(), 0600), 0);
    EXPECT_FALSE(cli::readSiteMap(QFile::encodeName(dir.file("fifo.csv")), refusals));
    EXPECT_TRUE(refusals.join(u'\n').contains("is not a regular file")) << refusals.join(u'\n').toStdString();
    EXPECT_FALSE(cli::readSiteMap("/dev/zero", refusals));
}

}  // namespace
}  // namespace quillmar
