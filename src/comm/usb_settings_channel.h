#pragma once
// The direct settings exchange over the USB printer's device file. Each open
// locates the printer afresh; reads and writes wait with poll, never unbounded.
#include <chrono>

#include "comm/settings_channel.h"
#include "platform/usb_printer.h"

namespace quillmar {

class UsbSettingsChannel : public SettingsChannel {
public:
    // How long a write may wait for the printer to take more bytes.
    static constexpr std::chrono::milliseconds kWriteWait{5000};

    // `locator` must outlive the channel; the default is the system's.
    explicit UsbSettingsChannel(UsbPrinterLocator* locator = nullptr, std::chrono::milliseconds writeWait = kWriteWait);
    ~UsbSettingsChannel() override;

    SettingsTransport transport() const override { return SettingsTransport::Usb; }
    void open() override;
    void write(const QByteArray& bytes) override;
    QByteArray read(qsizetype maxBytes, std::chrono::milliseconds wait) override;
    void close() noexcept override;
    QString deviceName() const override { return deviceName_; }

private:
    UsbPrinterLocator* locator_;
    std::unique_ptr<UsbPrinterLocator> ownLocator_;
    std::chrono::milliseconds writeWait_;
    UsbPrinterFile file_;
    QString deviceName_;
};

}  // namespace quillmar
