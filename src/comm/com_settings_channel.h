#pragma once
// The direct settings exchange over a COM port, through the window's serial
// control. Every exchange runs at "115200,n,8,1" whatever rate the window shows.
#include "comm/serial_control.h"
#include "comm/settings_channel.h"

namespace quillmar {

inline constexpr char kDirectSettingsLine[] = "115200,n,8,1";

class ComSettingsChannel : public SettingsChannel {
public:
    // `comm` is the window's MSComm1; it must outlive the channel. The channel
    // closes only a port it opened itself, never one another exchange holds.
    // `lineSettings` is for a printer set to another rate (the command line's
    // --baud); the windows keep the default.
    // `devicePath`, when given, is opened instead of the device the port number
    // stands for (the command line's --port /dev/ttyUSB0).
    ComSettingsChannel(MSComm& comm, int portNumber, QString lineSettings = QString::fromLatin1(kDirectSettingsLine),
                       QString devicePath = QString());
    ~ComSettingsChannel() override;

    SettingsTransport transport() const override { return SettingsTransport::Com; }
    void open() override;
    void write(const QByteArray& bytes) override;
    QByteArray read(qsizetype maxBytes, std::chrono::milliseconds wait) override;
    void close() noexcept override;
    QString deviceName() const override;

private:
    MSComm& comm_;
    int portNumber_;
    QString lineSettings_;
    QString devicePath_;
    bool opened_ = false;  // the port is open because this channel opened it
};

}  // namespace quillmar
