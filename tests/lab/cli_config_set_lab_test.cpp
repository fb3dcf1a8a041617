// quillmar-cli config set in the lab's PC namespace against quillmar-sim, with
// the real timing.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonObject>
#include <QMessageAuthenticationCode>

#include "lab/save_lab.h"

using namespace quillmar;
using namespace quillmar::test;

TEST_F(SaveLabTest, ConfigSetChangesTheSimulatorsRecordAndExitsZero)
{
    ASSERT_TRUE(startModule("save=restart,restartAfter=40").ready()) << sim->error;
    ScopedStateHome home;
    std::string out;
    const int status = lab->run(
        "pc",
        {QUILLMAR_CLI_PATH, "config", "set", kLabModule, "ssid=CliNet", "devicename=FRONT-1", "wpapsk=another-pass"},
        &out);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Save to Module OK"), std::string::npos) << out;

    const DeviceEntry stored = storedRecord();
    EXPECT_EQ(stored.text(DeviceField::Ssid), "CliNet");
    EXPECT_EQ(stored.text(DeviceField::DeviceName), "FRONT-1");
    EXPECT_EQ(stored.text(DeviceField::IpAddress), kLabModule);
    EXPECT_EQ(stored.text(DeviceField::MacAddress), "00-1F-7C-00-02-14");
    EXPECT_EQ(stored.text(DeviceField::WpaPsk), "another-pass");
    // The read, then the header and the record, then the probe: all from port 6000.
    EXPECT_EQ(sim->lines("request", "from", kLabPcPort).size(), 4u);

    // The audit log has the write, the key only as a hash prefix keyed with
    // the user's mask key, and log shows it.
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 1);
    EXPECT_EQ(audit[0].value("operation").toString(), QStringLiteral("config set"));
    EXPECT_EQ(audit[0].value("verdict").toString(), QStringLiteral("confirmed"));
    const QJsonObject changes = audit[0].value("changes").toObject();
    EXPECT_EQ(changes.keys(), (QStringList{"deviceName", "ssid", "wpaPsk"}));
    QFile maskKey(home.path() + QStringLiteral("/quillmar/mask.key"));
    ASSERT_TRUE(maskKey.open(QIODevice::ReadOnly));
    const QByteArray keyed =
        QMessageAuthenticationCode::hash("another-pass", maskKey.readAll(), QCryptographicHash::Sha256).toHex();
    EXPECT_EQ(changes.value("wpaPsk").toObject().value("to").toString(),
              QStringLiteral("hmac:") + QString::fromLatin1(keyed.left(12)));
    std::string log;
    ASSERT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "log", "--mac", "00:1f:7c:00:02:14"}, &log), 0);
    EXPECT_NE(log.find("config set"), std::string::npos) << log;
    EXPECT_EQ(log.find("another-pass"), std::string::npos) << log;
}

TEST_F(SaveLabTest, ConfigSetWithASpaceInTheSsidSendsNothing)
{
    ASSERT_TRUE(startModule("save=restart").ready()) << sim->error;
    std::string out;
    // Its messages go to standard error; the shell brings them to the output.
    const int status = lab->run(
        "pc", {"/bin/sh", "-c", "\"$0\" config set 192.0.2.20 'ssid=Lab Net' 2>&1", QUILLMAR_CLI_PATH}, &out);
    EXPECT_EQ(status, 2);  // a value that breaks a rule is a usage error
    EXPECT_NE(out.find("ssid: invalid SSID config!"), std::string::npos) << out;
    EXPECT_EQ(sim->requestCount(), 0u);
    EXPECT_TRUE(sim->lines("stored").empty());
}
