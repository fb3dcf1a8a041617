#include "platform/usb_printer.h"

#include <unistd.h>

namespace quillmar {

UsbPrinterFile::~UsbPrinterFile()
{
    close();
}

UsbPrinterFile& UsbPrinterFile::operator=(UsbPrinterFile&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

int UsbPrinterFile::release() noexcept
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UsbPrinterFile::close() noexcept
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

UsbPrinterFile openUsbPrinter(QString& instanceName)
{
    return makeUsbPrinterLocator()->openUsbPrinter(instanceName);
}

}  // namespace quillmar
