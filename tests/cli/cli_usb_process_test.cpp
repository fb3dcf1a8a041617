// quillmar-cli usb read and usb write as processes under umockdev-wrapper: the
// program finds the test's own usblp test bed as /sys and /dev (the preloaded
// library and its test bed pass to the child), whose printer is driven here.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <thread>

#include "support/program_run.h"
#include "support/sample_devices.h"
#include "support/state_home.h"
#include "support/usb_printer_testbed.h"

namespace quillmar {
namespace {

using test::runProgram;

TEST(CliUsbProcess, ReadWriteAndNoPrinter)
{
    ASSERT_TRUE(test::underUmockdev()) << "run this test under umockdev-wrapper";
    test::keepStateOutOfHome();  // the write's backup
    {
        test::UsbPrinterTestbed bed;
        ASSERT_TRUE(bed.ready());
        sim::SettingsPrinter settings;
        settings.record = test::kitchenPrinter("192.0.2.80");
        const std::size_t other = bed.add({"1f7c", "0338", "QM-OTHER", settings});
        const std::size_t printer = bed.add({"1f7c", "0369", "QM-PROCESS", settings});

        auto run = runProgram({QUILLMAR_CLI_PATH, "usb", "read", "--json"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object().value("ipAddress"),
                  "192.0.2.80");
        EXPECT_EQ(run.err, "");

        run = runProgram({QUILLMAR_CLI_PATH, "usb", "write", "ssid=ProcessNet"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "Written to QM-PROCESS; the printer does not confirm a write\n"
                           "About waiting 20 seconds and please check printer LED status! \n");
        for (int i = 0; i < 250 && bed.writesStored(printer) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        // The preferred product's printer, and only the field given.
        DeviceEntry expected = settings.record;
        expected.setText(DeviceField::Ssid, "ProcessNet");
        EXPECT_EQ(bed.record(printer), expected);
        EXPECT_EQ(bed.writesStored(other), 0u);
    }
    test::UsbPrinterTestbed empty;
    ASSERT_TRUE(empty.ready());
    const auto run = runProgram({QUILLMAR_CLI_PATH, "usb", "read"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("quillmar-cli usb read: Read USB config error ! (no USB printer", 0), 0u) << run.err;
}

}  // namespace
}  // namespace quillmar
