// A USB printer that this user may not open: the reason names the group to
// join. A made-up sysfs and /dev tree stands for the system; the locator runs
// as nobody.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/usb_printer.h"
#include "support/as_nobody.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;

TEST(UsbPrinterAccess, APrinterThisUserMayNotOpenNamesItsGroup)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "runs the locator as nobody, which needs root";
    test::TempDirectory dir;
    const fs::path root = dir.path().toStdString();
    const fs::path usbDevice = root / "devices/usb1/1-1";
    fs::create_directories(usbDevice / "1-1:1.0");
    for (const auto& [name, value] : {std::pair{"idVendor", "1f7c"}, {"idProduct", "0369"}, {"serial", "SN-1"}})
        std::ofstream(usbDevice / name) << value << '\n';
    fs::create_directories(root / "sys/class/usbmisc/lp0");
    fs::create_directory_symlink(usbDevice / "1-1:1.0", root / "sys/class/usbmisc/lp0/device");
    fs::create_directories(root / "dev/usb");
    std::ofstream(root / "dev/usb/lp0") << "";
    ASSERT_EQ(::chmod((root / "dev/usb/lp0").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(root.c_str(), 0755), 0);

    const auto reason = test::runAsNobody([&root] {
        const auto locator = makeUsbPrinterLocator(QString::fromStdString(root.string()));
        QString instance;
        return locator->openUsbPrinter(instance).isValid() ? std::string("opened")
                                                           : locator->lastReason().toStdString();
    });
    EXPECT_EQ(reason.value_or("no child"),
              "USB printer 1f7c:0369 at " + (root / "dev/usb/lp0").string()
                  + " cannot be opened: Permission denied (this user may not read and write it: add the user "
                    "to the group that owns it, on Debian lp, and log in again)");
}

}  // namespace
}  // namespace quillmar
