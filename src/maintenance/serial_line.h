#pragma once
// The serial port the firmware travels over: opened by device path for this
// process alone, 115200 8N1 without flow control, RTS on, read by waiting on
// the port (never by spinning) and written with a bounded wait for room.
#include <atomic>
#include <string>

#include "maintenance/maintenance_timing.h"

namespace quillmar {

// readSerial collects at most this much in one call.
inline constexpr int kSerialReadLimit = 1024;

// The loader exchange and XMODEM read and write only through readSerial and
// writeSerial, which are virtual so that a fuzz test can play the device's
// side byte for byte without a port or its waits.
class SerialLine {
public:
    // `stopRequested` (may be null) ends a read with maintenance::kStopped.
    explicit SerialLine(const std::atomic<bool>* stopRequested = nullptr, milliseconds collect = kSerialCollect,
                        milliseconds writeWait = kSerialWriteWait);
    virtual ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // 0, or the errno of the step that failed; the port is then closed.
    // ENODEV: the path is not a character device. EBUSY: another program holds it.
    int open(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // Appends what arrives to `into`: returns once `wanted` (> 0) bytes came or
    // the collect time passed (with what came, possibly nothing), kStopped when
    // stopped, kSerialFailed when a read fails or finds the line gone. `wanted` 0 or
    // 1024 and more collects for the whole time (up to 1024 bytes).
    virtual int readSerial(int wanted, std::string& into);

    // The bytes written, 0 when the port took none within the write wait, or
    // -1 when the write failed.
    virtual int writeSerial(const void* bytes, int length);

private:
    bool stopRequested() const { return stopRequested_ && stopRequested_->load(); }

    const std::atomic<bool>* stopRequested_;
    milliseconds collect_;
    milliseconds writeWait_;
    int fd_ = -1;
};

// The device path of a port name "COMn" (n from 1): QUILLMAR_COMn when set,
// else /dev/ttyS<n-1>; a name that is an absolute path is that path. Empty for
// any other name.
std::string serialDevicePath(const std::string& portName);

}  // namespace quillmar
