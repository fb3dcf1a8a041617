#pragma once
// The USB printer whose record was read, and no other: every exchange finds
// the printer afresh, and the record of one must not reach another that was
// plugged in meanwhile (and is preferred by its product). A write goes through
// this locator with the instance name the read found.
#include <QString>

#include <memory>

#include "platform/usb_printer.h"

namespace quillmar {

class SameUsbPrinterLocator final : public UsbPrinterLocator {
public:
    // `system` (not owned) finds the printers; the system's locator when null.
    SameUsbPrinterLocator(UsbPrinterLocator* system, QString expected);

    // The printer `system` finds, when its instance name is the one expected;
    // otherwise an invalid file, `instanceName` empty and foundAnother() true.
    UsbPrinterFile openUsbPrinter(QString& instanceName) override;
    QString lastReason() const override { return reason_; }

    // The last open found a printer, but not the one that was read.
    bool foundAnother() const { return foundAnother_; }

private:
    std::unique_ptr<UsbPrinterLocator> ownSystem_;
    UsbPrinterLocator* system_ = nullptr;
    QString expected_;
    QString reason_;
    bool foundAnother_ = false;
};

}  // namespace quillmar
