#include "comm/com_settings_channel.h"

#include <utility>

namespace quillmar {

ComSettingsChannel::ComSettingsChannel(MSComm& comm, int portNumber, QString lineSettings, QString devicePath)
    : comm_(comm), portNumber_(portNumber), lineSettings_(std::move(lineSettings)), devicePath_(std::move(devicePath))
{
}

ComSettingsChannel::~ComSettingsChannel()
{
    close();
}

void ComSettingsChannel::open()
{
    if (opened_)
        return;
    if (comm_.PortOpen())
        throw SettingsChannelError(QStringLiteral("%1: the serial control is busy with another exchange on COM%2")
                                       .arg(deviceName())
                                       .arg(comm_.CommPort())
                                       .toStdString());
    try {
        comm_.setDevicePath(devicePath_);
        comm_.setCommPort(portNumber_);
        comm_.setSettings(lineSettings_);
        comm_.setPortOpen(true);
    } catch (const MSCommError& error) {
        // setPortOpen closes what it opened before it raises.
        throw SettingsChannelError(error.what());
    }
    opened_ = true;
}

void ComSettingsChannel::write(const QByteArray& bytes)
{
    try {
        comm_.setOutput(bytes);
    } catch (const MSCommError& error) {
        throw SettingsChannelError(error.what());
    }
}

QByteArray ComSettingsChannel::read(qsizetype maxBytes, std::chrono::milliseconds wait)
{
    try {
        if (maxBytes <= 0 || !comm_.waitForInput(wait))
            return {};
        comm_.setInputLen(int(std::min<qsizetype>(maxBytes, MSComm::kMaxInputLen)));
        return comm_.Input();
    } catch (const MSCommError& error) {
        throw SettingsChannelError(error.what());
    }
}

void ComSettingsChannel::close() noexcept
{
    if (!opened_)
        return;
    opened_ = false;
    try {
        comm_.setPortOpen(false);
    } catch (...) {
        // Closing a port cannot fail in a way the caller could act on.
    }
}

QString ComSettingsChannel::deviceName() const
{
    return devicePath_.isEmpty() ? QStringLiteral("COM%1").arg(portNumber_) : devicePath_;
}

}  // namespace quillmar
