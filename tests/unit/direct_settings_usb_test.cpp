// The direct settings exchange with USB printers under umockdev: the usblp
// devices live in a test bed the preloaded library shows this process as /sys
// and /dev, and each printer's node is driven by the simulator's responder.
#include <gtest/gtest.h>

#include <chrono>

#include "comm/direct_settings.h"
#include "comm/usb_settings_channel.h"
#include "platform/usb_printer.h"
#include "support/sample_devices.h"
#include "support/usb_printer_testbed.h"

namespace quillmar {
namespace {

using Printer = test::UsbPrinterTestbed::Printer;

sim::SettingsPrinter answering(const std::string& deviceName, sim::SettingsFault fault = sim::SettingsFault::None)
{
    sim::SettingsPrinter printer;
    printer.record = test::kitchenPrinter("192.168.1.50");
    printer.record.setText(DeviceField::DeviceName, deviceName);
    printer.fault = fault;
    return printer;
}

class DirectSettingsUsbTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::underUmockdev()) << "run this test under umockdev-wrapper"; }
};

TEST_F(DirectSettingsUsbTest, ThePreferredProductIsOpenedAndNamedByItsSerialNumber)
{
    struct Case {
        std::vector<Printer> attached;
        const char* chosen;  // serial number, or nothing found
    };
    const std::vector<Case> cases = {
        {{{"1f7c", "0338", "SN-0338", {}}, {"1f7c", "0369", "SN-0369", {}}}, "SN-0369"},
        {{{"1f7c", "3330", "SN-3330", {}}, {"1f7c", "0338", "SN-0338", {}}}, "SN-0338"},
        {{{"1f7c", "0369", "SN-FIRST", {}}, {"1f7c", "0369", "SN-SECOND", {}}}, "SN-FIRST"},
        {{{"04b8", "0369", "OTHER-VENDOR", {}}, {"1f7c", "3330", "SN-3330", {}}}, "SN-3330"},
        {{{"04b8", "0369", "OTHER-VENDOR", {}}}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        test::UsbPrinterTestbed bed;
        ASSERT_TRUE(bed.ready());
        for (const Printer& printer : c.attached)
            bed.add(printer);
        QString name = QStringLiteral("stale");
        UsbPrinterFile file = openUsbPrinter(name);
        EXPECT_EQ(file.isValid(), *c.chosen != '\0');
        EXPECT_EQ(name, QString::fromLatin1(c.chosen));
    }
}

TEST_F(DirectSettingsUsbTest, ReadAndWriteTheRecordOfThePrinter)
{
    test::UsbPrinterTestbed testbed;
    ASSERT_TRUE(testbed.ready());
    const std::size_t printer = testbed.add({"1f7c", "0369", "QM0369-0001", answering("USB-Counter")});
    UsbSettingsChannel channel;

    const DirectReadResult read = readDirectSettings(channel);
    ASSERT_TRUE(read.ok()) << read.reason.toStdString();
    EXPECT_EQ(read.device, "QM0369-0001");
    EXPECT_EQ(read.received.size(), 256);
    EXPECT_EQ(read.record, testbed.record(printer));

    DeviceEntry changed = read.record;
    changed.setText(DeviceField::Ssid, "NewNetwork");
    changed.setText(DeviceField::WpaPsk, std::string(72, 'k'));
    const DirectWriteResult write = writeDirectSettings(channel, changed);
    ASSERT_TRUE(write.ok()) << write.reason.toStdString();
    EXPECT_EQ(write.device, "QM0369-0001");
    ASSERT_TRUE([&] {
        for (int i = 0; i < 200 && testbed.writesStored(printer) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return testbed.writesStored(printer) == 1;
    }());
    EXPECT_EQ(testbed.record(printer), changed);
    EXPECT_EQ(readDirectSettings(channel).record, changed);
}

TEST_F(DirectSettingsUsbTest, APrinterThatIsMissingSilentStopsEarlyOrBlankEndsInAnErrorWithoutHanging)
{
    struct Case {
        const char* name;
        std::optional<Printer> attached;
        test::UsbPrinterTestbed::Node node;
        DirectReadOutcome read;
        DirectWriteOutcome write;
        const char* reason;
    };
    auto stopping = answering("Stops");
    stopping.fault = sim::SettingsFault::Short;
    stopping.shortLength = 100;
    const Case cases[] = {
        {"none attached", std::nullopt, test::UsbPrinterTestbed::Node::Serving, DirectReadOutcome::NoDevice,
         DirectWriteOutcome::NoDevice, "no USB printer"},
        {"node gone", Printer{"1f7c", "0369", "GONE", {}}, test::UsbPrinterTestbed::Node::Dangling,
         DirectReadOutcome::NoDevice, DirectWriteOutcome::NoDevice, "No such file or directory"},
        {"silent", Printer{"1f7c", "0369", "MUTE", answering("Mute", sim::SettingsFault::Silent)},
         test::UsbPrinterTestbed::Node::Serving, DirectReadOutcome::NoReply, DirectWriteOutcome::Written,
         "no reply within 1 s"},
        {"stops", Printer{"1f7c", "0369", "STOPS", stopping}, test::UsbPrinterTestbed::Node::Serving,
         DirectReadOutcome::NoReply, DirectWriteOutcome::Written, "100 of 256 reply bytes"},
        {"blank", Printer{"1f7c", "0369", "BLANK", {}}, test::UsbPrinterTestbed::Node::Serving,
         DirectReadOutcome::BlankRecord, DirectWriteOutcome::Written, "blank"},
    };
    DirectSettingsTiming timing;
    timing.usbReplyWait = std::chrono::milliseconds(1000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::UsbPrinterTestbed bed;
        ASSERT_TRUE(bed.ready());
        if (c.attached)
            bed.add(*c.attached, c.node);
        UsbSettingsChannel channel;
        const auto started = std::chrono::steady_clock::now();
        const DirectReadResult read = readDirectSettings(channel, {}, timing);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
        EXPECT_EQ(read.outcome, c.read);
        EXPECT_NE(read.reason.indexOf(QLatin1String(c.reason)), -1) << read.reason.toStdString();
        EXPECT_EQ(read.device, c.read == DirectReadOutcome::NoDevice ? "None" : c.attached->serial.c_str());
        EXPECT_EQ(writeDirectSettings(channel, read.record).outcome, c.write);
    }
}

TEST_F(DirectSettingsUsbTest, AWriteToAPrinterThatTakesNothingMoreFailsWithinItsBound)
{
    test::UsbPrinterTestbed bed;
    ASSERT_TRUE(bed.ready());
    bed.add({"1f7c", "0369", "FULL", {}}, test::UsbPrinterTestbed::Node::Stalled);
    UsbSettingsChannel channel(nullptr, std::chrono::milliseconds(300));
    channel.open();
    const auto started = std::chrono::steady_clock::now();
    try {
        channel.write(QByteArray(4 << 20, 'x'));
        ADD_FAILURE() << "a printer that takes nothing accepted 4 MiB";
    } catch (const SettingsChannelError& error) {
        EXPECT_NE(std::string(error.what()).find("the USB printer took"), std::string::npos) << error.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    channel.close();
}

}  // namespace
}  // namespace quillmar
