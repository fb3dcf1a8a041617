// The session's address helpers, the log-in token and what a session touches
// when there is nothing to reach.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdlib>

#include "maintenance/device_address.h"
#include "maintenance/device_session.h"
#include "maintenance/login_token.h"
#include "maintenance/maintenance_result.h"
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
    std::mutex routeLock, neighbourLock;
    std::vector<std::string> logged;
    HostTableHelpers helpers(tables, routeLock, neighbourLock,
                             [&](const std::string& line) { logged.push_back(line); });
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
    std::mutex routeLock, neighbourLock;
    std::vector<std::string> logged;
    HostTableHelpers helpers(tables, routeLock, neighbourLock,
                             [&](const std::string& line) { logged.push_back(line); });
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
