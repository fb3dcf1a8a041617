// A site kept to its table: the comparison behind config check (a row against
// what its printer answered) and the DHCP reservations of site dhcp (host
// names, refusals, each server's language).
#include <gtest/gtest.h>

#include <QFile>

#include "dhcp_reservations.h"
#include "history/record_changes.h"
#include "record/ipv4_text.h"
#include "site_check.h"
#include "site_map.h"
#include "support/sample_devices.h"
#include "support/temp_directory.h"

namespace quillmar::cli {
namespace {

std::vector<MapRow> rowsOf(const QByteArray& csv, QStringList& refusals)
{
    test::TempDirectory directory;
    const QString path = directory.file(QStringLiteral("site.csv"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(csv);
    file.close();
    return readSiteMap(path.toLocal8Bit(), refusals).value_or(std::vector<MapRow>{});
}

CensusModule heard(const char* mac, const char* from, const char* stored, const char* ssid, const char* psk)
{
    CensusModule module;
    module.record = test::kitchenPrinter(from, mac);
    module.record.setText(DeviceField::Ssid, ssid);
    module.record.setText(DeviceField::WpaPsk, psk);
    module.from = *parseIpv4(from);
    module.storedAddress = stored;
    return module;
}

TEST(ConfigCheck, EachRowMatchesDriftsOrIsNotFound)
{
    const QString mask = maskedKey("secret-psk");
    QStringList refusals;
    const std::vector<MapRow> rows = rowsOf(
        QByteArray("macAddress,ip,ssid,wpaPsk,deviceName\n"
                   "00:1f:7c:00:00:01,192.0.2.20,Shop2,,\n"  // ipAddress by the value the module stores
                   "00-1F-7C-00-00-02,192.0.2.21,Shop2,")
            + mask.toLatin1()
            + ",\n"                               // its key by the mask
              "001f7c000003,,Shop2,other-psk,\n"  // drifted: ssid, and a key shown masked
              "00:1f:7c:00:00:04,,,,\n"           // not found
              "00:1f:7c:00:00:05,,,,\n",          // its MAC at two addresses
        refusals);
    ASSERT_EQ(rows.size(), 5u) << refusals.join('\n').toStdString();
    const std::vector<CensusModule> found{
        heard("00:1F:7C:00:00:01", "192.0.2.99", "192.0.2.020", "Shop2", ""),
        heard("00:1F:7C:00:00:02", "192.0.2.21", "192.0.2.21", "Shop2", "secret-psk"),
        heard("00:1F:7C:00:00:03", "192.0.2.22", "192.0.2.22", "ShopX", "secret-psk"),
        heard("00:1F:7C:00:00:05", "192.0.2.23", "192.0.2.23", "Shop2", ""),
        heard("00:1F:7C:00:00:05", "198.51.100.23", "192.0.2.23", "Shop2", ""),
    };
    const std::vector<RowCheck> checks = checkSite(rows, found);
    ASSERT_EQ(checks.size(), 5u);
    EXPECT_EQ(checks[0].verdict, RowCheck::Verdict::Matches);
    EXPECT_EQ(checks[1].verdict, RowCheck::Verdict::Matches);
    EXPECT_EQ(checks[2].verdict, RowCheck::Verdict::Drifted);
    EXPECT_EQ(driftText(checks[2].drift), QStringLiteral("ssid: Shop2 -> ShopX, wpaPsk: ") + maskedKey("other-psk")
                                              + QStringLiteral(" -> ") + mask);
    EXPECT_EQ(checks[3].verdict, RowCheck::Verdict::NotFound);
    EXPECT_EQ(checks[4].verdict, RowCheck::Verdict::Conflict);
    EXPECT_EQ(checks[4].addresses.size(), 2u);
    EXPECT_EQ(checks[2].line, 4);

    // The printer's key changed behind a masked inventory.
    std::vector<CensusModule> changed = found;
    changed[1].record.setText(DeviceField::WpaPsk, "new-psk");
    EXPECT_EQ(driftText(checkSite(rows, changed)[1].drift),
              QStringLiteral("wpaPsk: ") + mask + QStringLiteral(" -> ") + maskedKey("new-psk"));
}

TEST(SiteDhcp, HostNamesFromDeviceNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"KITCHEN1", "KITCHEN1"},
        {"Shop #1", "Shop-1"},
        {"  Bar, \"Main\"  ", "Bar-Main"},
        {"--POS--", "POS"},
        {"a_b.c", "a-b-c"},
        {"\xE9t\xE9", "t"},
        {"#!$", ""},
        {"", ""},
    };
    for (const auto& [device, host] : cases)
        EXPECT_EQ(hostNameOf(device), host) << device;
    EXPECT_EQ(hostNameOf(std::string(80, 'x')).size(), 63u);
}

TEST(SiteDhcp, RowsWithoutAUsableAddressOrWithOneHostNameTwiceAreRefused)
{
    QStringList refusals;
    const std::vector<MapRow> rows = rowsOf("macAddress,ipAddress,deviceName\n"
                                            "00:1f:7c:00:00:01,192.0.2.20,POS 1\n"
                                            "00:1f:7c:00:00:02,,Bar\n"
                                            "00:1f:7c:00:00:03,127.0.0.9,Cellar\n"
                                            "00:1f:7c:00:00:04,192.0.2.24,pos-1\n"
                                            "00:1f:7c:00:00:05,192.0.2.25,#\n",
                                            refusals);
    ASSERT_EQ(rows.size(), 5u) << refusals.join('\n').toStdString();
    QStringList notes;
    EXPECT_FALSE(reservationsOf(rows, QStringLiteral("site.csv"), refusals, notes));
    EXPECT_EQ(refusals, QStringList({
                            "site.csv line 3: 00-1F-7C-00-00-02 has no ipAddress to reserve",
                            "site.csv line 4: 00-1F-7C-00-00-03 cannot be reserved: 127.0.0.9 is a loopback address",
                            "site.csv line 5: the host name pos-1 is line 2's too; give one of them another "
                            "deviceName, or an empty cell for none",
                        }));
    EXPECT_EQ(notes, QStringList({"site.csv line 2: the device name 'POS 1' is the host name 'POS-1'",
                                  "site.csv line 6: the device name has nothing a host name may hold; the "
                                  "reservation has no host name"}));
}

TEST(SiteDhcp, EachServersLanguage)
{
    const std::vector<Reservation> reservations{{2, "00:1f:7c:00:00:01", *parseIpv4("192.0.2.20"), "POS-1"},
                                                {3, "00:1f:7c:00:00:02", *parseIpv4("192.0.2.21"), ""}};
    EXPECT_EQ(formatReservations(reservations, DhcpFormat::Dnsmasq, "site's\ntable.csv"),
              "# DHCP reservations of the printers in site's?table.csv, written by quillmar-cli site dhcp\n"
              "dhcp-host=00:1f:7c:00:00:01,192.0.2.20,POS-1\n"
              "dhcp-host=00:1f:7c:00:00:02,192.0.2.21\n");
    EXPECT_EQ(formatReservations(reservations, DhcpFormat::Isc, "site.csv"),
              "# DHCP reservations of the printers in site.csv, written by quillmar-cli site dhcp\n"
              "host quillmar-001f7c000001 {\n  hardware ethernet 00:1f:7c:00:00:01;\n  fixed-address 192.0.2.20;\n"
              "  option host-name \"POS-1\";\n}\n"
              "host quillmar-001f7c000002 {\n  hardware ethernet 00:1f:7c:00:00:02;\n  fixed-address 192.0.2.21;\n}\n");
    EXPECT_EQ(formatReservations(reservations, DhcpFormat::Openwrt, "site.csv"),
              "# DHCP reservations of the printers in site.csv, written by quillmar-cli site dhcp\n"
              "\nconfig host\n\toption name 'POS-1'\n\toption mac '00:1f:7c:00:00:01'\n\toption ip '192.0.2.20'\n"
              "\nconfig host\n\toption mac '00:1f:7c:00:00:02'\n\toption ip '192.0.2.21'\n");
    EXPECT_EQ(formatReservations(reservations, DhcpFormat::Kea, "site.csv"),
              "[\n    {\n        \"hostname\": \"POS-1\",\n        \"hw-address\": \"00:1f:7c:00:00:01\",\n"
              "        \"ip-address\": \"192.0.2.20\"\n    },\n    {\n        \"hw-address\": \"00:1f:7c:00:00:02\",\n"
              "        \"ip-address\": \"192.0.2.21\"\n    }\n]\n");
}

}  // namespace
}  // namespace quillmar::cli
