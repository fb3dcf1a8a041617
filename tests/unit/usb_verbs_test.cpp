// quillmar-cli usb read and usb write in-process under umockdev-wrapper: the
// usblp printers are the test's own test bed, each node driven by the
// simulator's settings responder; in a network namespace of its own, as every
// in-process verb test.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "platform/usb_printer.h"
#include "support/cli_runner.h"
#include "support/sample_devices.h"
#include "support/usb_printer_testbed.h"

namespace quillmar {
namespace {

using Printer = test::UsbPrinterTestbed::Printer;
using Node = test::UsbPrinterTestbed::Node;

sim::SettingsPrinter printer(const std::string& deviceName, sim::SettingsFault fault = sim::SettingsFault::None)
{
    sim::SettingsPrinter settings;
    settings.record = test::kitchenPrinter("192.0.2.70", "0a-1b-2c-3d-4e-70");
    settings.record.setText(DeviceField::DeviceName, deviceName);
    settings.fault = fault;
    return settings;
}

test::CliRun run(const QStringList& words, UsbPrinterLocator* locator = nullptr)
{
    return test::runVerbs(words, [locator](cli::VerbContext& context) {
        context.directTiming.usbReplyWait = std::chrono::milliseconds(1000);
        context.usbLocator = locator;
    });
}

class UsbVerbs : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::underUmockdev()) << "run this test under umockdev-wrapper"; }
};

TEST_F(UsbVerbs, AReadThatFailsEndsTheVerbWithTheToolsTextAndWritesNothing)
{
    struct Case {
        const char* name;
        std::optional<Printer> attached;
        Node node;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {"none", std::nullopt, Node::Serving, 1, "Read USB config error ! (no USB printer 1f7c:0369"},
        {"gone", Printer{"1f7c", "0369", "GONE", {}}, Node::Dangling, 1, "No such file or directory"},
        {"silent", Printer{"1f7c", "0369", "MUTE", printer("Mute", sim::SettingsFault::Silent)}, Node::Serving, 3,
         "Read USB config error ! (MUTE: no reply within 1 s)"},
        {"again", Printer{"1f7c", "0369", "AGAIN", printer("Again", sim::SettingsFault::ReadAgain)}, Node::Serving, 1,
         "Read USB config error,Please read again !!\n"},
        {"random", Printer{"1f7c", "0369", "NOISE", printer("Noise", sim::SettingsFault::Random)}, Node::Serving, 3,
         "Read USB config error ! (NOISE: the printer's record does not parse: macAddress \""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::UsbPrinterTestbed testbed;
        ASSERT_TRUE(testbed.ready());
        if (c.attached)
            testbed.add(*c.attached, c.node);
        for (const QStringList& words : {QStringList{"usb", "read"}, QStringList{"usb", "write", "ssid=Other"}}) {
            const auto result = run(words);
            EXPECT_EQ(result.status, c.status);
            EXPECT_TRUE(result.err.startsWith("quillmar-cli " + words.mid(0, 2).join(' ') + ": "))
                << result.err.toStdString();
            EXPECT_TRUE(result.err.contains(QString::fromUtf8(c.err))) << result.err.toStdString();
        }
        if (c.attached && c.node == Node::Serving) {
            EXPECT_EQ(testbed.writesStored(0), 0u);
        }
    }
}

// A printer without settings is shown as it is, but there is nothing in its
// record to write back.
TEST_F(UsbVerbs, ABlankRecordIsShownButNotWrittenBack)
{
    test::UsbPrinterTestbed testbed;
    ASSERT_TRUE(testbed.ready());
    testbed.add({"1f7c", "0369", "BLANK", {}});
    EXPECT_EQ(run({"usb", "read"}).status, 0);
    const auto write = run({"usb", "write", "ssid=Other"});
    EXPECT_EQ(write.status, 3);
    EXPECT_EQ(write.err,
              "quillmar-cli usb write: Read USB config error ! (BLANK: the printer's record is blank (all 256 "
              "bytes zero), and a blank record is not written back)\n");
    EXPECT_EQ(testbed.writesStored(0), 0u);
}

// Every exchange finds the printer afresh: one plugged in between the read and
// the write (and preferred by its product) must not get the other's record.
TEST_F(UsbVerbs, AWriteGoesOnlyToThePrinterThatWasRead)
{
    struct PlugInBeforeTheWrite final : UsbPrinterLocator {
        explicit PlugInBeforeTheWrite(test::UsbPrinterTestbed& bed) : bed(bed) {}
        UsbPrinterFile openUsbPrinter(QString& name) override
        {
            if (++opened == 2)
                bed.add({"1f7c", "0369", "SN-LATE", printer("Late")});
            return system->openUsbPrinter(name);
        }
        QString lastReason() const override { return system->lastReason(); }
        test::UsbPrinterTestbed& bed;
        std::unique_ptr<UsbPrinterLocator> system = makeUsbPrinterLocator();
        int opened = 0;
    };
    test::UsbPrinterTestbed bed;
    ASSERT_TRUE(bed.ready());
    PlugInBeforeTheWrite locator(bed);
    bed.add({"1f7c", "3330", "SN-3330", printer("First")});

    const auto result = run({"usb", "write", "ssid=Other"}, &locator);
    EXPECT_EQ(result.status, 1);
    // After the line that names the backup of the record as it was read.
    EXPECT_TRUE(result.err.endsWith("quillmar-cli usb write: Save USB config error ! (the USB printer found now is "
                                    "SN-LATE, not SN-3330 that was read)\n"))
        << result.err.toStdString();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(bed.writesStored(0), 0u);
    EXPECT_EQ(bed.writesStored(1), 0u);
}

}  // namespace
}  // namespace quillmar
