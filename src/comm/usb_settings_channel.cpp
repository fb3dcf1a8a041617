#include "comm/usb_settings_channel.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace quillmar {
namespace {

using Clock = std::chrono::steady_clock;

SettingsChannelError systemError(const QString& what, int error)
{
    return SettingsChannelError(
        QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error))).toStdString());
}

// poll() for one event; returns its revents, 0 when `wait` passed.
short waitFor(int fd, short events, std::chrono::milliseconds wait)
{
    pollfd watched{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&watched, 1, int(wait.count()));
        if (ready >= 0)
            return ready == 0 ? 0 : watched.revents;
        if (errno != EINTR)
            throw systemError(QStringLiteral("waiting for the USB printer"), errno);
    }
}

}  // namespace

UsbSettingsChannel::UsbSettingsChannel(UsbPrinterLocator* locator, std::chrono::milliseconds writeWait)
    : locator_(locator), writeWait_(writeWait)
{
    if (!locator_) {
        ownLocator_ = makeUsbPrinterLocator();
        locator_ = ownLocator_.get();
    }
}

UsbSettingsChannel::~UsbSettingsChannel() = default;

void UsbSettingsChannel::open()
{
    file_.close();
    QString name;
    file_ = locator_->openUsbPrinter(name);
    if (!file_.isValid()) {
        deviceName_ = QStringLiteral("None");
        throw NoSettingsDeviceError(locator_->lastReason().toStdString());
    }
    deviceName_ = name;
}

void UsbSettingsChannel::write(const QByteArray& bytes)
{
    if (!file_.isValid())
        throw SettingsChannelError("USB printer: write needs the device open");
    const Clock::time_point deadline = Clock::now() + writeWait_;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(file_.fd(), bytes.constData() + written, std::size_t(bytes.size() - written));
        if (count > 0) {
            written += count;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN)
            throw systemError(QStringLiteral("writing to the USB printer"), errno);
        // The printer takes no more for now: wait for it, within the bound.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const short events = left.count() > 0 ? waitFor(file_.fd(), POLLOUT, left) : 0;
        if (events == 0)
            throw SettingsChannelError(QStringLiteral("the USB printer took %1 of %2 bytes within %3 ms")
                                           .arg(written)
                                           .arg(bytes.size())
                                           .arg(writeWait_.count())
                                           .toStdString());
        if ((events & (POLLERR | POLLHUP | POLLNVAL)) && !(events & POLLOUT))
            throw SettingsChannelError("writing to the USB printer: the device went away");
    }
}

QByteArray UsbSettingsChannel::read(qsizetype maxBytes, std::chrono::milliseconds wait)
{
    if (!file_.isValid())
        throw SettingsChannelError("USB printer: read needs the device open");
    if (maxBytes <= 0)
        return {};
    const Clock::time_point deadline = Clock::now() + wait;
    const short events = waitFor(file_.fd(), POLLIN, wait);
    if (events == 0)
        return {};
    if (!(events & POLLIN))
        throw SettingsChannelError("reading from the USB printer: the device went away");
    QByteArray bytes(maxBytes, Qt::Uninitialized);
    const ssize_t count = ::read(file_.fd(), bytes.data(), std::size_t(maxBytes));
    if (count < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return {};
        throw systemError(QStringLiteral("reading from the USB printer"), errno);
    }
    if (count == 0) {
        // Nothing to hand over although the device said so: do not ask again
        // before the wait is over, so the caller's loop does not spin.
        std::this_thread::sleep_until(deadline);
        return {};
    }
    bytes.truncate(count);
    return bytes;
}

void UsbSettingsChannel::close() noexcept
{
    file_.close();
}

}  // namespace quillmar
