// quillmar-cli discover in the lab's PC namespace, with the protocol's waits.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <map>

#include "lab/discovery_lab.h"
#include "support/temp_directory.h"

using namespace quillmar::test;

namespace {

std::map<QString, QString> byName(const std::string& json)
{
    std::map<QString, QString> listed;
    const QJsonArray rows = QJsonDocument::fromJson(QByteArray::fromStdString(json)).array();
    for (const QJsonValue& row : rows)
        listed[row[QStringLiteral("deviceName")].toString()] = row[QStringLiteral("address")].toString();
    return listed;
}

}  // namespace

TEST_F(DiscoveryLabTest, DiscoverListsWhatTheWindowWouldAndSearchesBothNetworksAtOnce)
{
    std::string out;
    TempDirectory directory;
    const std::string errors = directory.file(QStringLiteral("stderr")).toStdString();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(lab->run("pc", {"sh", "-c", std::string(QUILLMAR_CLI_PATH) + " discover --json 2>" + errors}, &out), 0);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("wall_seconds", std::to_string(seconds));

    const std::map<QString, QString> expected{
        {"ALPHA", "192.0.2.10"},
        {"BRAVO", "192.0.2.11"},
        {"FOREIGN", "203.0.113.10"},
        {"SHORT75", "198.51.100.10"},
        {"DEVICE-NAME-16CH", "198.51.100.13"},
    };
    EXPECT_EQ(byName(out), expected) << out;
    // FAMILY1, of the other family, answered and is left out: standard error
    // says so.
    QFile err(QString::fromStdString(errors));
    ASSERT_TRUE(err.open(QIODevice::ReadOnly));
    EXPECT_TRUE(err.readAll().endsWith(
        "quillmar-cli discover: 1 module of the other family answered; give --family 1 to see them\n"));
    // The record's fields by name as the module stores them (ALPHA's record
    // holds another address than the one it answers from) and the address
    // the reply came from.
    for (const QJsonValue& row : QJsonDocument::fromJson(QByteArray::fromStdString(out)).array()) {
        const QJsonObject module = row.toObject();
        EXPECT_EQ(module.size(), 14);
        if (module[QStringLiteral("deviceName")] != QStringLiteral("ALPHA"))
            continue;
        EXPECT_EQ(module[QStringLiteral("ipAddress")], QStringLiteral("192.0.2.250"));
        EXPECT_EQ(module[QStringLiteral("address")], QStringLiteral("192.0.2.10"));
    }

    // Each address from its own port, four requests each, and the two searches
    // overlapped: both first requests went out before either second one.
    const auto a = linkA->lines("request", "from", "192.0.2.1:16384");
    const auto b = linkB->lines("request", "from", "198.51.100.1:16385");
    ASSERT_EQ(a.size(), 4u);
    ASSERT_EQ(b.size(), 4u);
    EXPECT_LT(std::stol(a[0].fields.at("t")), std::stol(b[1].fields.at("t")));
    EXPECT_LT(std::stol(b[0].fields.at("t")), std::stol(a[1].fields.at("t")));
}

TEST_F(DiscoveryLabTest, DiscoverByIpWithTheOtherFamilyAndBadAddresses)
{
    std::string out;
    ASSERT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "discover", "--ip", "198.51.100.12", "--family", "1", "--json"}, &out),
              0);
    EXPECT_EQ(byName(out), (std::map<QString, QString>{{"FAMILY1", "198.51.100.12"}}));

    out.clear();
    EXPECT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "discover", "--ip", "255.255.255.255"}, &out), 2);
    EXPECT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "discover", "--ip", "0.0.0.0"}, &out), 2);
    EXPECT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "discover", "--family", "3"}, &out), 2);
    EXPECT_TRUE(out.empty());
    // Only the valid search went out: once from each local address, in parallel.
    EXPECT_EQ(linkB->requestsFrom("192.0.2.1:16384"), 1u);
    EXPECT_EQ(linkB->requestsFrom("198.51.100.1:16385"), 1u);
    EXPECT_EQ(linkA->requestCount() + linkB->requestCount(), 2u);
}
