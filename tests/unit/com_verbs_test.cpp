// quillmar-cli com read and com write in-process, against two printers on
// quillmar-sim's settings ports (pseudo-terminals as COM5 and COM6); in a
// network namespace of its own, as every in-process verb test.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "record/field_names.h"
#include "support/cli_runner.h"
#include "support/sample_devices.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using test::runVerbs;

// The record as --settings-pty fields.
std::string specOf(const DeviceEntry& record)
{
    std::string keys;
    for (const FieldLayout& layout : deviceFieldLayout())
        keys += "," + std::string(fieldName(layout.field)) + "=" + record.text(layout.field);
    return keys;
}

class ComVerbs : public ::testing::Test {
protected:
    // COM5 answers; COM6 with these faults.
    void start(const std::string& faults)
    {
        sim.reset();
        for (int i = 0; i < 2; ++i)
            links[i] = directory / ("com" + std::to_string(5 + i) + "-" + directory.filename().string());
        sim = std::make_unique<test::SimProcess>(
            test::simPath(),
            std::vector<std::string>{"--settings-pty", links[0].string() + specOf(records[0]), "--settings-pty",
                                     links[1].string() + specOf(records[1]) + faults});
        ASSERT_TRUE(sim->ready()) << sim->error;
        ::setenv("QUILLMAR_COM5", links[0].c_str(), 1);
        ::setenv("QUILLMAR_COM6", links[1].c_str(), 1);
    }
    void TearDown() override { sim.reset(); }

    // The record of the printer on `link`'s `count`th write, once the
    // simulator has logged it.
    DeviceEntry written(int link, std::size_t count = 1) const
    {
        const auto logged = [&] { return sim->lines("settings-write", "port", links[link].string()); };
        for (int i = 0; i < 250 && logged().size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto writes = logged();
        const QByteArray bytes = writes.empty() ? QByteArray()
                                                : QByteArray::fromHex(
                                                    QByteArray::fromStdString(writes.back().fields.at("record")));
        return DeviceEntry::fromBytes(bytes.constData(), std::size_t(bytes.size()));
    }

    test::TempDirectory temp;
    std::filesystem::path directory = temp.native();
    // The printers' own records: a lower-case MAC and a WEP key beside AES,
    // which the tools' save would change and a write must not.
    DeviceEntry records[2] = {test::kitchenPrinter("192.0.2.50", "0a-1b-2c-3d-4e-5f"),
                              test::kitchenPrinter("192.0.2.60", "0a-1b-2c-3d-4e-60")};
    std::filesystem::path links[2];
    std::unique_ptr<test::SimProcess> sim;
};

TEST_F(ComVerbs, ReadShowsTheRecordOfTheOnePortOrSaysWhyNot)
{
    records[1].setText(DeviceField::DeviceName, "Second-Printer");
    struct Case {
        const char* faults;
        int status;
        const char* err;  // a part of standard error
        const char* key;
    };
    const Case cases[] = {
        {"", 0, "", "wepkey1"},
        {",fault=again,faultReads=1", 0, "", "wepkey1"},  // read again once
        {",fault=short,shortLength=140", 0, "the reply held 140 of the record's 256 bytes; the fields", ""},
        {",fault=silent", 3,
         "com read: Invalid data packing timeout,\nPlease connect device to default Setting COM Port !! (COM6: no "
         "reply within 1 s)\n",
         nullptr},
        {",fault=lead", 3, "(COM6: 6 of 262 reply bytes within 1 s)", nullptr},
        {",fault=again,faultReads=2", 1, "model name \";1\"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        start(c.faults);
        const auto run = runVerbs({"com", "read", "--port", "COM6", "--json"});
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.err))) << run.err.toStdString();
        if (!c.key) {
            EXPECT_TRUE(run.out.isEmpty());
            continue;
        }
        const QJsonObject shown = QJsonDocument::fromJson(run.out.toUtf8()).object();
        EXPECT_EQ(shown.value("deviceName").toString(), "Second-Printer");
        EXPECT_EQ(shown.value("key").toString(), c.key);
    }
    ::setenv("QUILLMAR_COM7", (directory / "missing").c_str(), 1);
    const auto missing = runVerbs({"com", "read", "--port", "com7"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.startsWith("quillmar-cli com read: input format error ! (COM7"))
        << missing.err.toStdString();
    EXPECT_TRUE(missing.err.contains("No such file or directory")) << missing.err.toStdString();
    ::unsetenv("QUILLMAR_COM7");
}

TEST_F(ComVerbs, AWriteChangesOnlyTheGivenFieldsOfThePrinterOnThatPort)
{
    start("");
    auto run = runVerbs({"com", "write", "--port", "COM5", "ssid=Backoffice", "DEVICENAME=Bar-16-character",
                         "authMode=wpapsk", "ip=192.0.2.051"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Written to COM5; the printer does not confirm a write\n");
    DeviceEntry expected = records[0];
    expected.setText(DeviceField::Ssid, "Backoffice");
    expected.setText(DeviceField::DeviceName, "Bar-16-character");
    expected.setText(DeviceField::AuthMode, "WPAPSK");
    expected.setText(DeviceField::IpAddress, "192.0.2.51");
    EXPECT_EQ(written(0), expected);
    EXPECT_EQ(written(0).text(DeviceField::MacAddress), "0a-1b-2c-3d-4e-5f");
    EXPECT_TRUE(sim->lines("settings-write", "port", links[1].string()).empty());

    // WEP: the key given is written, the WPA key goes back as it came.
    run = runVerbs(
        {"com", "write", "--port", "COM6", "--baud", "115200", "authMode=OPEN", "encryType=WEP", "key=ABCDE"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    expected = records[1];
    expected.setText(DeviceField::AuthMode, "OPEN");
    expected.setText(DeviceField::EncryType, "WEP");
    expected.setText(DeviceField::Key, "ABCDE");
    EXPECT_EQ(written(1), expected);
}

// The key from a secrets file, not the command line, and the record as it
// was kept encrypted with the passphrase of the same file.
TEST_F(ComVerbs, AWriteTakesItsKeyFromASecretsFileAndEncryptsItsBackup)
{
    start("");
    test::ScopedStateHome home;
    const QString secrets = QString::fromStdString((directory / "printer.secrets").string());
    QFile file(secrets);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("passphrase=cable words\nwpaPsk=cable-key-1\n");
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    const auto run = runVerbs({"com", "write", "--port", "COM5", "--secrets", secrets, "--encrypt-backups"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QLatin1String("warning"))) << run.err.toStdString();
    DeviceEntry expected = records[0];
    expected.setText(DeviceField::WpaPsk, "cable-key-1");
    EXPECT_EQ(written(0), expected);
    const QStringList backups = QDir(home.backups("0A-1B-2C-3D-4E-5F")).entryList(QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_TRUE(backups[0].endsWith(QLatin1String(".enc"))) << backups[0].toStdString();
}

TEST_F(ComVerbs, AWriteThatBreaksARuleOrFollowsABadReadWritesNothing)
{
    struct Case {
        QStringList words;
        const char* faults;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {{"deviceName=Bar-17-characters"}, "", 2, "deviceName: at most 16 characters; nothing is sent"},
        {{"ssid=" + QString(35, 'n')}, "", 2, "ssid: at most 34 characters"},
        {{"ip=192.0.2.255"}, "", 2, "ipAddress: invalid IP address"},
        {{"encryType=RC4"}, "", 2, "encryType: must be one of NONE, WEP, TKIP, AES, not 'RC4'"},
        {{"tcpPort=9100"}, "", 2, "tcpPort is shown read-only by the settings tools and is not changed by com write"},
        {{"ssid=Caf\u00e9\u20ac"}, "", 2, "ssid: invalid SSID config!"},
        {{"key=abc"}, "", 2, "key is written only with encryType WEP, and the printer would have AES"},
        {{"wifiMode=Adhoc"}, "", 2, "authMode WPA2PSK is not offered with wifiMode Adhoc"},
        {{"ssid=Other"},
         ",fault=short,shortLength=140",
         1,
         "the reply held 140 of the record's 256 bytes; nothing is written"},
        {{"ssid=Other"}, ",fault=silent", 3, "Invalid data packing timeout"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words.join(' ').toStdString() + c.faults);
        start(c.faults);
        const auto run = runVerbs(QStringList{"com", "write", "--port", "COM6"} + c.words);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.err))) << run.err.toStdString();
        EXPECT_TRUE(sim->lines("settings-write").empty());
    }
}

}  // namespace
}  // namespace quillmar
