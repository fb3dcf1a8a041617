#pragma once
// Finding and opening a printer attached by USB: a usblp device of vendor 1f7c
// whose product is 0369, else 0338, else 3330 (the first listed of a product
// wins), opened for reading and writing. Its instance name is the USB serial
// number.
#include <QString>

#include <array>
#include <memory>

namespace quillmar {

inline constexpr char kUsbPrinterVendor[] = "1f7c";
// In order of preference.
inline constexpr std::array<const char*, 3> kUsbPrinterProducts{"0369", "0338", "3330"};

// An open printer device file; closes it when destroyed. Invalid when no
// printer was found.
class UsbPrinterFile {
public:
    UsbPrinterFile() = default;
    explicit UsbPrinterFile(int fd) : fd_(fd) {}
    ~UsbPrinterFile();
    UsbPrinterFile(UsbPrinterFile&& other) noexcept : fd_(other.release()) {}
    UsbPrinterFile& operator=(UsbPrinterFile&& other) noexcept;
    UsbPrinterFile(const UsbPrinterFile&) = delete;
    UsbPrinterFile& operator=(const UsbPrinterFile&) = delete;

    bool isValid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    int release() noexcept;
    void close() noexcept;

private:
    int fd_ = -1;
};

class UsbPrinterLocator {
public:
    virtual ~UsbPrinterLocator() = default;
    // Clears `instanceName`; returns the first matching printer opened
    // read-write and sets `instanceName`, or an invalid file when none is found.
    virtual UsbPrinterFile openUsbPrinter(QString& instanceName) = 0;
    // Why the last openUsbPrinter found no printer ("no USB printer 1f7c:0369,
    // 0338 or 3330 attached", or the system's reason a matching one did not open).
    virtual QString lastReason() const = 0;
};

// The system's locator: /sys/class/usbmisc/lp* and /dev/usb/lpN, both under
// `root` ("/" normally; a test may point it at a prepared tree).
std::unique_ptr<UsbPrinterLocator> makeUsbPrinterLocator(const QString& root = QStringLiteral("/"));

// openUsbPrinter through the system's locator.
UsbPrinterFile openUsbPrinter(QString& instanceName);

}  // namespace quillmar
