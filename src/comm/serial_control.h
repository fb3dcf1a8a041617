#pragma once
// MSComm: the serial communications control the windows drive through its
// properties. One exchange sets CommPort and Settings, sets PortOpen true, writes
// Output, waits a fixed time, reads Input with InputLen, and sets PortOpen false.
// Everything is synchronous on the caller's thread: Output returns once the bytes
// are with the device driver, Input returns at once with what has arrived.
// Failures raise MSCommError with a message that names the port.
#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <stdexcept>

#include "comm/serial_settings.h"

class QSerialPort;

namespace quillmar {

class MSCommError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Handshaking values.
inline constexpr int comNone = 0;
inline constexpr int comXOnXoff = 1;
inline constexpr int comRTS = 2;

class MSComm {
public:
    // How long one Output write may wait for the driver to take its bytes (a
    // port held back by flow control) before it fails.
    static constexpr std::chrono::milliseconds kOutputTimeout{5000};
    static constexpr int kMaxCommPort = 256;
    static constexpr int kMaxInputLen = 32767;

    explicit MSComm(std::chrono::milliseconds outputTimeout = kOutputTimeout);
    ~MSComm();
    MSComm(const MSComm&) = delete;
    MSComm& operator=(const MSComm&) = delete;

    // COM number; the device is comPortPath(CommPort). Cannot change while open.
    int CommPort() const { return commPort_; }
    void setCommPort(int port);
    // A device opened instead of the one CommPort names (the command line's
    // --port /dev/ttyUSB0); empty goes back to CommPort. Cannot change while open.
    QString DevicePath() const { return devicePath_; }
    void setDevicePath(const QString& path);

    // "rate,parity,data bits,stop bits"; read back in canonical form. Applied at
    // once when the port is open.
    QString Settings() const;
    void setSettings(const QString& text);

    bool PortOpen() const;
    // true opens the device with the current CommPort, Settings and Handshaking
    // (input that arrived before is discarded); false closes it. Opening an open
    // port raises; closing a closed one does nothing.
    void setPortOpen(bool open);

    // Sends the bytes in order, no terminator added.
    void setOutput(const QByteArray& bytes);

    // Takes up to InputLen bytes (all when InputLen is 0) of what has arrived.
    QByteArray Input();
    int InputLen() const { return inputLen_; }
    void setInputLen(int length);

    // Bytes received and not yet taken by Input.
    int InBufferCount();

    // Waits until some input is there to take, or `wait` has passed; true when
    // there is. A line that failed (the device went away) raises.
    bool waitForInput(std::chrono::milliseconds wait);

    // comNone, comXOnXoff or comRTS.
    int Handshaking() const { return handshaking_; }
    void setHandshaking(int mode);

private:
    QString portLabel() const;
    QString openedPath() const;
    [[noreturn]] void fail(const QString& what) const;
    void requireOpen(const char* operation) const;
    void applyLineSettings();
    void takeArrivedBytes();

    std::chrono::milliseconds outputTimeout_;
    int commPort_ = 1;
    QString devicePath_;
    SerialSettings settings_;
    int inputLen_ = 0;
    int handshaking_ = comNone;
    std::unique_ptr<QSerialPort> port_;
};

}  // namespace quillmar
