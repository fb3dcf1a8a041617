// The direct settings exchange on COM ports against quillmar-sim's settings
// ports (pseudo-terminals), with the real one-second reply wait.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "comm/com_settings_channel.h"
#include "comm/core_application.h"
#include "comm/direct_settings.h"
#include "comm/serial_control.h"
#include "record/field_names.h"
#include "support/sample_devices.h"
#include "support/sim_fields.h"
#include "support/sim_process.h"
#include "support/temp_directory.h"
#include "support/wait_until.h"
#include "tools/tool_record.h"

namespace quillmar {
namespace {

constexpr int kFirstCom = 5;
constexpr int kSecondCom = 6;

std::string hexOf(const DeviceEntry& record)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < record.size(); ++i) {
        const auto byte = static_cast<unsigned char>(record.data()[i]);
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

// Two printers on two settings ports of one simulator, COM5 and COM6.
class DirectSettingsComTest : public ::testing::Test {
protected:
    void start(const std::string& firstFaults, const std::string& secondFaults = {})
    {
        ensureCoreApplication();
        // Unique names: the serial port's lock file is named after the link, and
        // other tests may run at the same time.
        links[0] = directory / ("com5-" + directory.filename().string());
        links[1] = directory / ("com6-" + directory.filename().string());
        sim = std::make_unique<test::SimProcess>(
            test::simPath(), std::vector<std::string>{
                                 "--settings-pty", links[0].string() + test::simFieldsOf(records[0]) + firstFaults,
                                 "--settings-pty", links[1].string() + test::simFieldsOf(records[1]) + secondFaults});
        ASSERT_TRUE(sim->ready()) << sim->error;
        ::setenv("QUILLMAR_COM5", links[0].c_str(), 1);
        ::setenv("QUILLMAR_COM6", links[1].c_str(), 1);
    }

    void TearDown() override
    {
        ::unsetenv("QUILLMAR_COM5");
        ::unsetenv("QUILLMAR_COM6");
        sim.reset();
    }

    test::TempDirectory temp;
    std::filesystem::path directory = temp.native();
    DeviceEntry records[2] = {test::fullWidthRecord("ABCDEFGHIJKLMNOP", "192.168.100.200"),
                              test::fullWidthRecord("SECONDPRINTER-16", "192.168.100.200")};
    std::filesystem::path links[2];
    std::unique_ptr<test::SimProcess> sim;
    MSComm comm;
};

TEST_F(DirectSettingsComTest, ReadTakesTheRecordAfterTheLeadingBytesOrTellsWhyNot)
{
    struct Case {
        const char* faults;
        DirectReadOutcome outcome;
        int received;
        std::size_t recordBytes;  // how much of the printer's record arrived
        bool readAgain;
    };
    const Case cases[] = {
        {"", DirectReadOutcome::RecordRead, 262, 256, false},
        {",fault=silent", DirectReadOutcome::NoReply, 0, 0, false},
        {",fault=lead", DirectReadOutcome::NoReply, 6, 0, false},
        {",fault=short,shortLength=140", DirectReadOutcome::RecordRead, 146, 140, false},
        {",fault=again,faultReads=1", DirectReadOutcome::RecordRead, 262, 256, true},
        // Whole replies whose fields do not parse: shifted by 4 or 1, or noise.
        {",fault=echo", DirectReadOutcome::NotARecord, 262, 256, false},
        {",fault=extralead", DirectReadOutcome::NotARecord, 262, 256, false},
        {",fault=random", DirectReadOutcome::NotARecord, 262, 256, false},
        {",fault=short,shortLength=100", DirectReadOutcome::NotARecord, 106, 100, false},  // no wifiMode
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        start(c.faults);
        ComSettingsChannel channel(comm, kFirstCom);
        int keptAlive = 0;
        const DirectReadResult result = readDirectSettings(channel, [&keptAlive] { ++keptAlive; });
        EXPECT_EQ(result.outcome, c.outcome) << result.reason.toStdString();
        // The wait lets the window run throughout, not once at its end.
        EXPECT_GE(keptAlive, c.received == 262 ? 1 : 20);
        EXPECT_EQ(result.received.size(), c.received);
        EXPECT_EQ(result.device, "COM5");
        EXPECT_FALSE(comm.PortOpen());
        EXPECT_EQ(result.asksToReadAgain(), c.readAgain);
        EXPECT_EQ(result.recordBytes, qsizetype(c.recordBytes));
        EXPECT_EQ(result.mayBeWrittenBack(), *c.faults == '\0');
        if (c.outcome == DirectReadOutcome::NotARecord) {
            EXPECT_TRUE(result.reason.startsWith("the printer's record does not parse: "))
                << result.reason.toStdString();
            sim.reset();
            continue;
        }
        DeviceEntry expected = records[0];
        if (c.readAgain)
            expected.setText(DeviceField::ModelName, ";1");
        std::memset(expected.data() + c.recordBytes, 0, expected.size() - c.recordBytes);
        EXPECT_EQ(result.record, expected);
        if (c.outcome == DirectReadOutcome::NoReply) {
            EXPECT_EQ(firstBytesText(result.record), "0,0,0,0");
        }
        EXPECT_EQ(sim->lines("settings-read").size(), 1u);
        if (c.readAgain) {
            EXPECT_FALSE(readDirectSettings(channel).asksToReadAgain());
        }
        sim.reset();
    }
}

TEST_F(DirectSettingsComTest, ReadFillsTheBoxesWithFullWidthTextsAndEachPortAnswersForItsOwnPrinter)
{
    start("");
    ComSettingsChannel first(comm, kFirstCom);
    ComSettingsChannel second(comm, kSecondCom);
    const ToolBoxTexts a = toolTextsFromRecord(readDirectSettings(first).record);
    const ToolBoxTexts b = toolTextsFromRecord(readDirectSettings(second).record);

    EXPECT_EQ(a.modelName, "RX7000 WI-FI PRINTER 24C");
    EXPECT_EQ(a.deviceName, "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(b.deviceName, "SECONDPRINTER-16");
    EXPECT_EQ(a.macAddress, "0A-1B-2C-3D-4E-5F");
    EXPECT_EQ(a.addressText, "192.168.100.200");
    EXPECT_EQ(a.addressValue, 0xC0A864C8u);
    EXPECT_EQ(a.ssid, "ThirtyFourCharacterNetworkNameXYZ1");
    EXPECT_EQ(a.wepKey, "0123456789ABCDEF0123456789AB");
    EXPECT_EQ(a.wpaPsk, QString(36, 'p') + QString(36, 'q'));
    EXPECT_EQ(a.ipMode, "STATIC");
    EXPECT_EQ(a.encryType, "AES");
}

TEST_F(DirectSettingsComTest, WriteSendsTheCommandAndExactlyTheRecordWithTheKeyTheEncryptionUses)
{
    struct Case {
        const char* encryption;
        const char* storedKey;
        const char* storedPsk;
    };
    const std::string psk72 = std::string(71, 'w') + "Z";
    const Case cases[] = {
        {"WEP", "0123456789ABCDEF0123456789AB", ""},
        {"AES", "", psk72.c_str()},
    };
    start("");
    int writes = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encryption);
        ToolBoxTexts texts = toolTextsFromRecord(records[1]);
        texts.deviceName = "WRITTEN-DEVICE16";
        texts.encryType = c.encryption;
        texts.wepKey = "0123456789ABCDEF0123456789AB";
        texts.wpaPsk = QString::fromStdString(psk72);
        texts.addressValue = 0x0A000105u;
        ASSERT_FALSE(checkToolTexts(texts));
        const DeviceEntry record = buildToolRecord(texts);
        EXPECT_EQ(record.text(DeviceField::Key), c.storedKey);
        EXPECT_EQ(record.text(DeviceField::WpaPsk), c.storedPsk);
        EXPECT_EQ(record.text(DeviceField::IpAddress), "10.0.1.5");

        ComSettingsChannel channel(comm, kSecondCom);
        const DirectWriteResult result = writeDirectSettings(channel, record);
        ASSERT_TRUE(result.ok()) << result.reason.toStdString();
        EXPECT_FALSE(comm.PortOpen());
        ++writes;
        ASSERT_TRUE(test::waitUntil([&] { return sim->lines("settings-write").size() == std::size_t(writes); }, 5000));
        EXPECT_EQ(sim->lines("settings-write").back().fields.at("record"), hexOf(record));
        EXPECT_EQ(sim->lines("settings-write").back().fields.at("port"), links[1].string());
        // A read afterwards gets the stored record back: nothing was sent beyond it.
        EXPECT_EQ(readDirectSettings(channel).record, record);
    }
    EXPECT_TRUE(sim->lines("settings-garbage").empty());
    EXPECT_TRUE(sim->lines("settings-write", "port", links[0].string()).empty());
}

TEST_F(DirectSettingsComTest, APortThatCannotBeOpenedFailsWithTheSystemsReasonAndIsLeftClosed)
{
    start("");
    MSComm holder;
    holder.setCommPort(kFirstCom);
    holder.setPortOpen(true);  // another window holds COM5
    ::setenv("QUILLMAR_COM7", (directory / "missing").c_str(), 1);

    struct Case {
        int port;
        const char* reason;
    };
    const Case cases[] = {{7, "No such file or directory"}, {kFirstCom, "in use"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        ComSettingsChannel channel(comm, c.port);
        const DirectReadResult read = readDirectSettings(channel);
        EXPECT_EQ(read.outcome, DirectReadOutcome::Failed);
        EXPECT_NE(read.reason.indexOf(c.reason, 0, Qt::CaseInsensitive), -1) << read.reason.toStdString();
        EXPECT_FALSE(comm.PortOpen());
        const DirectWriteResult write = writeDirectSettings(channel, records[0]);
        EXPECT_EQ(write.outcome, DirectWriteOutcome::Failed);
        EXPECT_NE(write.reason.indexOf(c.reason, 0, Qt::CaseInsensitive), -1) << write.reason.toStdString();
        EXPECT_FALSE(comm.PortOpen());
    }
    ::unsetenv("QUILLMAR_COM7");
    holder.setPortOpen(false);
    // The port that was busy works once it is free.
    ComSettingsChannel channel(comm, kFirstCom);
    EXPECT_TRUE(readDirectSettings(channel).ok());

    // A control that is in the middle of another exchange is refused and left
    // as it was: that exchange keeps its port.
    comm.setCommPort(kSecondCom);
    comm.setPortOpen(true);
    const DirectReadResult refused = readDirectSettings(channel);
    EXPECT_EQ(refused.outcome, DirectReadOutcome::Failed);
    EXPECT_NE(refused.reason.indexOf("busy"), -1) << refused.reason.toStdString();
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_EQ(comm.CommPort(), kSecondCom);
    comm.setPortOpen(false);
}

}  // namespace
}  // namespace quillmar
