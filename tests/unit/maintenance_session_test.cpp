// The session's address helpers, the log-in token, what a session touches
// when there is nothing to reach, and which neighbour entries it gives back.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>

#include "maintenance/device_address.h"
#include "maintenance/device_session.h"
#include "maintenance/maintenance_result.h"
#include "record/login_token.h"
#include "support/recording_host_tables.h"

using namespace quillmar;

TEST(DeviceAddress, ParsesAsInetAddrDoes)
{
    EXPECT_EQ(parseDeviceAddress("203.0.113.10", false), inet_addr("203.0.113.10"));
    EXPECT_EQ(parseDeviceAddress("0x7f.1", false), htonl(0x7F000001u));  // the short forms count
    EXPECT_EQ(parseDeviceAddress("0.0.0.0", false), 0u);
    EXPECT_EQ(parseDeviceAddress("0.0.0.0", true), kAddressNone);
    for (const char* bad : {"", "printer", "256.1.1.1", "1.2.3.4.5"})
        EXPECT_EQ(parseDeviceAddress(bad, false), kAddressNone) << bad;
}

TEST(DeviceAddress, MacTextsWithAnySeparatorAndCaseGiveTheSameBytes)
{
    const MacBytes expected{0x00, 0x1f, 0x7c, 0xab, 0xcd, 0xef};
    for (const char* text : {"00:1F:7C:AB:CD:EF", "00-1f-7c-ab-cd-ef", "00.1F 7c_aB:Cd-eF"}) {
        MacBytes bytes{};
        macstr2bytes(text, bytes);
        EXPECT_EQ(bytes, expected) << text;
    }
    // A group is read up to its first non-hexadecimal character; a missing one is 0.
    MacBytes bytes{};
    macstr2bytes("0G:G0:5", bytes);
    EXPECT_EQ(bytes, (MacBytes{0x00, 0x00, 0x05, 0, 0, 0}));
}

TEST(LoginToken, IsXteaOfTheFirstEightPasswordBytes)
{
    // Published XTEA vectors: plaintext "ABCDEFGH" under two keys.
    EXPECT_EQ(loginToken("ABCDEFGH", {0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F}), "497df3d072612cb5");
    EXPECT_EQ(loginToken("ABCDEFGH", {0, 0, 0, 0}), "a0390589f8b8efa5");
    EXPECT_EQ(loginToken("ABCDEFGH-one", kLoginKey), loginToken("ABCDEFGH-two", kLoginKey));
    EXPECT_NE(loginToken("abc", kLoginKey), loginToken("abd", kLoginKey));
    EXPECT_EQ(loginToken("abc", kLoginKey).size(), 16u);
    // Under the built-in key, as the firmware must compute it: worked out
    // apart from this program, by a short XTEA of the published algorithm
    // over the password bytes and the key's four words.
    EXPECT_EQ(loginToken("secret12", kLoginKey), "d900aaab27a1211b");
    EXPECT_EQ(loginToken("a", kLoginKey), "5d8bd7ad10a60e13");
}

TEST(LoginToken, KeyComesFromTheEnvironmentOnlyWhenItIsAKey)
{
    EXPECT_EQ(parseLoginKey("000102030405060708090a0B0C0D0E0F"),
              (LoginKey{0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F}));
    EXPECT_FALSE(parseLoginKey("000102030405060708090a0b0c0d0e0"));
    EXPECT_FALSE(parseLoginKey("000102030405060708090a0b0c0d0e0g"));
    unsetenv(kLoginKeyVariable);
    EXPECT_EQ(loginKey(), kLoginKey);
    setenv(kLoginKeyVariable, "ffffffff000000001111111122222222", 1);
    EXPECT_EQ(loginKey(), (LoginKey{0xFFFFFFFF, 0, 0x11111111, 0x22222222}));
    setenv(kLoginKeyVariable, "not a key", 1);
    EXPECT_FALSE(loginKey());
    unsetenv(kLoginKeyVariable);
}

TEST(DeviceSession, StopsBeforeAnythingWhenItMayNotChangeTheTablesOrTheKeyIsBroken)
{
    test::RecordingHostTables tables;
    std::vector<std::string> logged;
    HostTableHelpers helpers(tables, [&](const std::string& line) { logged.push_back(line); });
    struct Log : MaintenanceProgress {
        std::vector<std::string>* lines;
        void log(const std::string& line) override { lines->push_back(line); }
    } progress;
    progress.lines = &logged;
    SessionEnvironment environment{{{0x7F000001u, 1}}, &helpers, &progress, nullptr, {}};
    MaintenanceRequest request{"", "127.0.0.1", "02:51:7f:00:00:01", "secret", ""};

    tables.privileged = false;
    EXPECT_EQ(DeviceSession(request, true, environment).checkPrerequisites(), maintenance::kMissingPrivilege);
    ASSERT_FALSE(logged.empty());
    EXPECT_NE(logged.back().find("CAP_NET_ADMIN"), std::string::npos);
    EXPECT_NE(logged.back().find("setcap cap_net_admin+ep"), std::string::npos);

    tables.privileged = true;
    setenv(kLoginKeyVariable, "12345", 1);
    EXPECT_EQ(DeviceSession(request, true, environment).checkPrerequisites(), maintenance::kBadLoginKey);
    // Without a password the key is not needed.
    EXPECT_EQ(DeviceSession(request, false, environment).checkPrerequisites(), 0);
    unsetenv(kLoginKeyVariable);

    // Address 0 is refused before any table is touched or socket made.
    request.deviceIp = "0.0.0.0";
    DeviceSession session(request, false, environment);
    EXPECT_EQ(session.reachDevice(), maintenance::kNoDeviceOrSerialPort);
    EXPECT_FALSE(session.hasSocket());
    EXPECT_TRUE(tables.changes().empty());
}

TEST(DeviceSession, AnUnparsableAddressSkipsEveryInterfaceAndLeavesNothing)
{
    test::RecordingHostTables tables;
    std::vector<std::string> logged;
    HostTableHelpers helpers(tables, [&](const std::string& line) { logged.push_back(line); });
    MaintenanceProgress progress;
    SessionEnvironment environment{{{0xC0000201u, 2}, {0xC6336401u, 3}}, &helpers, &progress, nullptr, {}};
    DeviceSession session({"", "printer", "02:51:cb:00:71:0a", "", ""}, false, environment);
    EXPECT_EQ(session.reachDevice(), maintenance::kNotConnected);
    EXPECT_EQ(session.interfacePosition(), 2);
    EXPECT_EQ(logged, (std::vector<std::string>{"INADDR_NONE", "INADDR_NONE"}));
    const std::vector<std::string> expected{"neigh+ 255.255.255.255 if=2", "neigh- 255.255.255.255 if=2",
                                            "neigh+ 255.255.255.255 if=3", "neigh- 255.255.255.255 if=3"};
    EXPECT_EQ(tables.changes(), expected);
}

namespace {

constexpr std::uint32_t kDevice = 0x147100CBu;       // 203.0.113.20, network byte order
constexpr std::uint32_t kDeviceOther = 0x157100CBu;  // 203.0.113.21
const MacBytes kDeviceMac{0x02, 0x51, 0xCB, 0x00, 0x71, 0x14};
const MacBytes kOtherMac{0x02, 0x00, 0x00, 0x00, 0x00, 0x21};
constexpr std::uint16_t kStale = 0x04;      // NUD_STALE
constexpr std::uint16_t kPermanent = 0x80;  // NUD_PERMANENT

struct HeldAndReleased {
    std::vector<std::string> changes;
    std::vector<std::string> logged;
    std::vector<std::string> after;  // "203.0.113.20 if=2 02:00:..:21" per entry
};

// One session's entry on interface 2, added and removed by the helpers over a
// table that holds `planted` first; `meanwhile` runs in between.
HeldAndReleased holdAndRelease(const std::vector<NeighbourRow>& planted,
                               const std::function<void(test::RecordingHostTables&)>& meanwhile = {})
{
    test::RecordingHostTables tables;
    for (const NeighbourRow& row : planted)
        tables.plantNeighbour(row);
    HeldAndReleased run;
    HostTableHelpers helpers(tables, [&run](const std::string& line) { run.logged.push_back(line); });
    NeighbourHold hold;
    EXPECT_EQ(helpers.addNeighbourEntry(kDevice, kDeviceMac, 2, hold), 0);
    if (meanwhile)
        meanwhile(tables);
    helpers.deleteNeighbourEntries(hold);
    run.changes = tables.changes();
    std::vector<NeighbourRow> rows;
    tables.readNeighbours(rows);
    for (const NeighbourRow& row : rows) {
        char text[64];
        std::snprintf(text, sizeof text, "%s if=%u %02x:%02x:%02x:%02x:%02x:%02x%s",
                      row.address == kDevice ? "203.0.113.20" : "203.0.113.21", row.interfaceIndex, row.mac[0],
                      row.mac[1], row.mac[2], row.mac[3], row.mac[4], row.mac[5], row.permanent ? " permanent" : "");
        run.after.push_back(text);
    }
    std::sort(run.after.begin(), run.after.end());
    return run;
}

}  // namespace

TEST(HostTableHelpers, ASessionRemovesOnlyItsOwnNeighbourEntryAndPutsBackThePcs)
{
    using Lines = std::vector<std::string>;
    // Nothing there: the session's entry comes and goes.
    HeldAndReleased run = holdAndRelease({});
    EXPECT_EQ(run.changes, (Lines{"neigh+ 203.0.113.20 if=2", "neigh- 203.0.113.20 if=2"}));
    EXPECT_TRUE(run.after.empty());

    // The PC's entry with another MAC is put back; the device's MAC elsewhere
    // (another address, another interface) is not the session's and stays.
    run = holdAndRelease({{kDevice, 2, kOtherMac, true, false, kStale},
                          {kDeviceOther, 2, kDeviceMac, true, false, kStale},
                          {kDevice, 3, kDeviceMac, true, false, kStale}});
    EXPECT_EQ(run.changes, (Lines{"neigh+ 203.0.113.20 if=2", "neigh= 203.0.113.20 if=2"}));
    EXPECT_EQ(run.after, (Lines{"203.0.113.20 if=2 02:00:00:00:00:21", "203.0.113.20 if=3 02:51:cb:00:71:14",
                                "203.0.113.21 if=2 02:51:cb:00:71:14"}));

    // A permanent entry, even of another MAC, is used as it is.
    run = holdAndRelease({{kDevice, 2, kOtherMac, true, true, kPermanent}});
    EXPECT_TRUE(run.changes.empty());
    EXPECT_EQ(run.after, (Lines{"203.0.113.20 if=2 02:00:00:00:00:21 permanent"}));
    EXPECT_EQ(run.logged,
              (Lines{"neighbour entry of 203.0.113.20 on interface 2 set by the administrator to another MAC: used as "
                     "it is"}));

    // What somebody set while the session ran is theirs and stays.
    run = holdAndRelease({}, [](test::RecordingHostTables& tables) {
        tables.plantNeighbour({kDevice, 2, kOtherMac, true, true, kPermanent});
    });
    EXPECT_EQ(run.changes, (Lines{"neigh+ 203.0.113.20 if=2"}));
    EXPECT_EQ(run.after, (Lines{"203.0.113.20 if=2 02:00:00:00:00:21 permanent"}));
}
