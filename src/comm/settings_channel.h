#pragma once
// The byte pipe the direct settings exchange runs over: a COM port through the
// serial control, or the USB printer's device file. The exchange itself (what is
// written, how long to wait, what counts as an answer) lives in direct_settings.h
// and is the same for both.
#include <QByteArray>
#include <QString>

#include <chrono>
#include <stdexcept>

namespace quillmar {

// A failure of the channel, carrying the system's own reason ("No such file or
// directory", "Permission denied", ...), so that the log can say why.
class SettingsChannelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Opening found no device to talk to (no matching USB printer is attached).
class NoSettingsDeviceError : public SettingsChannelError {
public:
    using SettingsChannelError::SettingsChannelError;
};

enum class SettingsTransport {
    // 6 leading bytes before the record; the record goes out one byte per write.
    Com,
    // the record alone, read in pieces of at most 64 bytes; writes may be partial.
    Usb,
};

class SettingsChannel {
public:
    virtual ~SettingsChannel() = default;

    virtual SettingsTransport transport() const = 0;

    // Opens the device for one exchange. Throws SettingsChannelError (or
    // NoSettingsDeviceError) with the reason; a channel that failed to open holds
    // nothing open.
    virtual void open() = 0;

    // Writes every byte or throws; a device that stops taking bytes fails within
    // the channel's own bound instead of hanging.
    virtual void write(const QByteArray& bytes) = 0;

    // Up to `maxBytes` bytes, returning as soon as any have arrived; empty when
    // nothing arrived within `wait`. Throws on a device failure.
    virtual QByteArray read(qsizetype maxBytes, std::chrono::milliseconds wait) = 0;

    // Releases the device; closing a closed channel does nothing.
    virtual void close() noexcept = 0;

    // What the user is shown as the device: "COM3" for a port; for USB the
    // printer's instance name (its serial number) after an open that found one,
    // "None" after one that found none.
    virtual QString deviceName() const = 0;
};

}  // namespace quillmar
