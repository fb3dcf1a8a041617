// quillmar-cli discover in the lab's PC namespace where a broadcast does not
// reach: modules behind a router namespace (found by --range only), and a
// firewall rule in the PC's namespace that drops the answers (named by the
// explanation, whose command lets them in again).
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <set>
#include <string>

#include "lab/lab_test.h"
#include "support/temp_directory.h"

using namespace quillmar::test;

namespace {

constexpr const char* kRoutedNetwork = "203.0.113.0/24";

std::set<std::string> namesIn(const std::string& json)
{
    std::set<std::string> names;
    for (const QJsonValue& row : QJsonDocument::fromJson(QByteArray::fromStdString(json)).array())
        names.insert(row[QStringLiteral("deviceName")].toString().toStdString() + "@"
                     + row[QStringLiteral("address")].toString().toStdString());
    return names;
}

// A module on link a, and two behind a router on link c (203.0.113.0/24),
// which the PC reaches through the router at 192.0.2.254 once the test sets
// the route.
class RoutedLabTest : public LabTest {
protected:
    void SetUp() override
    {
        LabTest::SetUp();
        if (!labIsUp())
            return;
        ASSERT_TRUE(lab->addHost("ma", 'a', {"192.0.2.10/24"})) << lab->error;
        ASSERT_TRUE(lab->addRouter("rt", 'a', "192.0.2.254/24", "c", "203.0.113.1/24")) << lab->error;
        ASSERT_TRUE(lab->addHostBehind("mc", "c", {"203.0.113.10/24", "203.0.113.77/24"}, "203.0.113.1")) << lab->error;
        local = &lab->startSim("ma", {"--module", "address=192.0.2.10,deviceName=LOCAL"});
        ASSERT_TRUE(local->ready()) << local->error;
        routed = &lab->startSim("mc", {"--module", "address=203.0.113.10,deviceName=ROUTED", "--module",
                                       "address=203.0.113.77,deviceName=ROUTED77"});
        ASSERT_TRUE(routed->ready()) << routed->error;
    }

    // Runs quillmar-cli in the PC's namespace; its standard error in `errors`.
    int cli(const std::string& arguments, std::string& out, std::string& errors)
    {
        const std::string path = directory.file(QStringLiteral("stderr")).toStdString();
        out.clear();
        const int status = lab->run("pc", {"sh", "-c", std::string(QUILLMAR_CLI_PATH) + " " + arguments + " 2>" + path},
                                    &out);
        errors.clear();
        lab->run("pc", {"cat", path}, &errors);
        return status;
    }

    // The PC's route to the network behind the router, set by the test and
    // taken away again by it.
    struct RouteToRouter {
        explicit RouteToRouter(LabNetwork& lab) : lab_(lab)
        {
            added = lab_.run("pc", {"ip", "route", "add", kRoutedNetwork, "via", "192.0.2.254"}) == 0;
        }
        ~RouteToRouter()
        {
            if (added)
                lab_.run("pc", {"ip", "route", "del", kRoutedNetwork, "via", "192.0.2.254"});
        }
        LabNetwork& lab_;
        bool added = false;
    };

    TempDirectory directory;
    SimProcess* local = nullptr;
    SimProcess* routed = nullptr;
};

}  // namespace

TEST_F(RoutedLabTest, ARangeFindsTheModulesBehindTheRouterThatTheBroadcastDoesNot)
{
    std::string out;
    std::string errors;
    {
        const RouteToRouter route(*lab);
        ASSERT_TRUE(route.added);

        ASSERT_EQ(cli("discover --json", out, errors), 0) << errors;
        EXPECT_EQ(namesIn(out), std::set<std::string>{"LOCAL@192.0.2.10"});

        ASSERT_EQ(cli(std::string("discover --json --range ") + kRoutedNetwork, out, errors), 0) << errors;
        EXPECT_EQ(namesIn(out), (std::set<std::string>{"ROUTED@203.0.113.10", "ROUTED77@203.0.113.77"}));
        EXPECT_NE(errors.find("Searching 203.0.113.0/24: 254 addresses, at most 200 a second"), std::string::npos)
            << errors;
        // A range in the A-B form, as the inventory takes it: --csv as any search.
        ASSERT_EQ(cli("discover --csv --range 203.0.113.70-203.0.113.80", out, errors), 0) << errors;
        EXPECT_NE(out.find("203.0.113.77,eth0,"), std::string::npos) << out;
        EXPECT_EQ(out.find("203.0.113.10,"), std::string::npos) << out;
    }
    // Each routed module was asked once per range that holds it, unicast from
    // the PC's address on the link the route leaves by.
    std::size_t asked = 0;
    for (const SimLogLine& line : routed->log()) {
        if (line.event != "request" || line.fields.at("kind") != "search")
            continue;
        ++asked;
        EXPECT_EQ(line.fields.at("from"), "192.0.2.1:16384");
        EXPECT_NE(line.fields.at("to"), "255.255.255.255");
    }
    EXPECT_EQ(asked, 3u);  // 203.0.113.10 and .77 by the /24, .77 by 70-80

    // Without the route the PC cannot send there: it says so and explains.
    EXPECT_EQ(cli(std::string("discover --range ") + kRoutedNetwork, out, errors), 3);
    EXPECT_NE(errors.find("254 addresses of 203.0.113.0/24 cannot be reached from this PC (no route)"),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("no route leads to 203.0.113.0/24 from this PC"), std::string::npos) << errors;
    EXPECT_NE(errors.find("ip route add 203.0.113.0/24 via ROUTER"), std::string::npos) << errors;
    // The PC's routes are as the lab made them.
    std::string routes;
    lab->run("pc", {"ip", "-o", "route", "show", "table", "main"}, &routes);
    EXPECT_EQ(routes.find("203.0.113"), std::string::npos) << routes;
}

TEST_F(RoutedLabTest, TheExplanationNamesTheRuleThatDropsTheAnswersAndItsCommandLetsThemIn)
{
    std::string out;
    std::string errors;
    ASSERT_EQ(lab->run("pc", {"nft", "add table inet filter"}), 0);
    ASSERT_EQ(
        lab->run("pc", {"nft", "add chain inet filter input { type filter hook input priority 0; policy accept; }"}),
        0);
    ASSERT_EQ(lab->run("pc", {"nft", "add rule inet filter input iifname lo accept"}), 0);
    ASSERT_EQ(lab->run("pc", {"nft", "add rule inet filter input udp dport 16384-16415 drop"}), 0);

    // The broadcast's answers are dropped: nothing listed, and why.
    ASSERT_EQ(cli("discover --quick", out, errors), 3) << errors;
    EXPECT_NE(errors.find("Why no module may have answered"), std::string::npos) << errors;
    EXPECT_NE(errors.find("interfaces: eth0 up 192.0.2.1/24; eth1 up 198.51.100.1/24"), std::string::npos) << errors;
    EXPECT_NE(errors.find("the firewall drops the answers to UDP ports 16384 on eth0 and 16385 on eth1 (nftables): "
                          "table inet filter, chain input: udp dport 16384-16415 drop (handle 3)\n"),
              std::string::npos)
        << errors;
    const std::string command =
        "nft 'insert rule inet filter input position 3 udp sport 5000 udp dport { 6000, 16384-16415 } accept'";
    ASSERT_NE(errors.find("To let the answers in (or reach the network):\n  " + command + "\n"), std::string::npos)
        << errors;

    // The command as printed, run in the PC's namespace: the module is found.
    ASSERT_EQ(lab->run("pc", {"sh", "-c", command}), 0);
    ASSERT_EQ(cli("discover --quick --json --explain", out, errors), 0) << errors;
    EXPECT_EQ(namesIn(out), std::set<std::string>{"LOCAL@192.0.2.10"});
    EXPECT_NE(errors.find("What this PC shows:\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("the firewall (nftables) lets the answers in"), std::string::npos) << errors;
}
