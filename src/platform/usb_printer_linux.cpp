// The USB printer locator on Linux: the usblp driver lists each printer
// interface as /sys/class/usbmisc/lpN, whose "device" link is the USB interface;
// the USB device above it carries idVendor, idProduct and serial. The printer
// itself is /dev/usb/lpN.
#include "platform/usb_printer.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/device_access.h"

namespace quillmar {
namespace {

struct PrinterNode {
    int number;
    std::string name;  // "lp0"
};

bool isLpName(const char* name, int& number)
{
    if (std::strncmp(name, "lp", 2) != 0 || name[2] == '\0')
        return false;
    number = 0;
    for (const char* c = name + 2; *c; ++c) {
        if (*c < '0' || *c > '9' || number > 100000)
            return false;
        number = number * 10 + (*c - '0');
    }
    return true;
}

// The usblp nodes in the order the driver numbered them.
std::vector<PrinterNode> listPrinterNodes(const std::string& classDir)
{
    std::vector<PrinterNode> nodes;
    DIR* dir = ::opendir(classDir.c_str());
    if (!dir)
        return nodes;
    while (const dirent* entry = ::readdir(dir)) {
        int number = 0;
        if (isLpName(entry->d_name, number))
            nodes.push_back({number, entry->d_name});
    }
    ::closedir(dir);
    std::sort(nodes.begin(), nodes.end(),
              [](const PrinterNode& a, const PrinterNode& b) { return a.number < b.number; });
    return nodes;
}

// A sysfs attribute's text without its line end; empty when it cannot be read.
std::string readAttribute(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char buffer[256];
    ssize_t length;
    do {
        length = ::read(fd, buffer, sizeof buffer);
    } while (length < 0 && errno == EINTR);
    ::close(fd);
    if (length <= 0)
        return {};
    std::string text(buffer, std::size_t(length));
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

bool equalsIgnoringCase(const std::string& a, const char* b)
{
    return a.size() == std::strlen(b) && ::strncasecmp(a.c_str(), b, a.size()) == 0;
}

class SysfsUsbPrinterLocator : public UsbPrinterLocator {
public:
    explicit SysfsUsbPrinterLocator(const QString& root) : root_(root.toStdString())
    {
        if (root_.empty() || root_.back() != '/')
            root_ += '/';
    }

    UsbPrinterFile openUsbPrinter(QString& instanceName) override
    {
        instanceName.clear();
        lastReason_ = QStringLiteral("no USB printer %1:%2, %3 or %4 attached")
                          .arg(QLatin1String(kUsbPrinterVendor), QLatin1String(kUsbPrinterProducts[0]),
                               QLatin1String(kUsbPrinterProducts[1]), QLatin1String(kUsbPrinterProducts[2]));
        const std::string classDir = root_ + "sys/class/usbmisc/";
        const std::vector<PrinterNode> nodes = listPrinterNodes(classDir);
        for (const char* product : kUsbPrinterProducts) {
            for (const PrinterNode& node : nodes) {
                // "device" is the printer interface; the USB device is its parent.
                const std::string usbDevice = classDir + node.name + "/device/../";
                if (!equalsIgnoringCase(readAttribute(usbDevice + "idVendor"), kUsbPrinterVendor)
                    || !equalsIgnoringCase(readAttribute(usbDevice + "idProduct"), product))
                    continue;
                const std::string devicePath = root_ + "dev/usb/" + node.name;
                const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
                if (fd < 0) {
                    // Like the first match that does not open, the whole product is passed over.
                    const int error = errno;
                    const QString path = QString::fromStdString(devicePath);
                    lastReason_ = QStringLiteral("USB printer %1:%2 at %3 cannot be opened: %4%5")
                                      .arg(QLatin1String(kUsbPrinterVendor), QLatin1String(product), path,
                                           QString::fromLocal8Bit(std::strerror(error)),
                                           error == EACCES ? deniedAccessHint(path, "lp") : QString());
                    break;
                }
                std::string serial = readAttribute(usbDevice + "serial");
                if (serial.empty())
                    serial = node.name;
                instanceName = QString::fromStdString(serial);
                lastReason_.clear();
                return UsbPrinterFile(fd);
            }
        }
        return {};
    }

    QString lastReason() const override { return lastReason_; }

private:
    std::string root_;
    QString lastReason_;
};

}  // namespace

std::unique_ptr<UsbPrinterLocator> makeUsbPrinterLocator(const QString& root)
{
    return std::make_unique<SysfsUsbPrinterLocator>(root);
}

}  // namespace quillmar
