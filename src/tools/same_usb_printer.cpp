#include "tools/same_usb_printer.h"

#include <utility>

#include "record/printable_text.h"

namespace quillmar {
namespace {

QString shown(const QString& instanceName)
{
    return QString::fromLatin1(printableText(instanceName.toUtf8().toStdString()));
}

}  // namespace

SameUsbPrinterLocator::SameUsbPrinterLocator(UsbPrinterLocator* system, QString expected)
    : expected_(std::move(expected))
{
    if (!system) {
        ownSystem_ = makeUsbPrinterLocator();
        system = ownSystem_.get();
    }
    system_ = system;
}

UsbPrinterFile SameUsbPrinterLocator::openUsbPrinter(QString& instanceName)
{
    UsbPrinterFile file = system_->openUsbPrinter(instanceName);
    reason_ = system_->lastReason();
    foundAnother_ = file.isValid() && instanceName != expected_;
    if (foundAnother_) {
        reason_ = QStringLiteral("the USB printer found now is %1, not %2 that was read")
                      .arg(shown(instanceName), shown(expected_));
        file.close();
        instanceName.clear();
    }
    return file;
}

}  // namespace quillmar
