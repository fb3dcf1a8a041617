#include "comm/serial_control.h"

#include <QSerialPort>

#include "platform/com_port_map.h"
#include "platform/device_access.h"

namespace quillmar {

MSComm::MSComm(std::chrono::milliseconds outputTimeout) : outputTimeout_(outputTimeout)
{
}

MSComm::~MSComm()
{
    if (port_)
        port_->close();
}

QString MSComm::portLabel() const
{
    if (!devicePath_.isEmpty())
        return devicePath_;
    return QStringLiteral("COM%1 (%2)").arg(commPort_).arg(comPortPath(commPort_));
}

QString MSComm::openedPath() const
{
    return devicePath_.isEmpty() ? comPortPath(commPort_) : devicePath_;
}

void MSComm::fail(const QString& what) const
{
    throw MSCommError(what.toStdString());
}

void MSComm::requireOpen(const char* operation) const
{
    if (!PortOpen())
        fail(QStringLiteral("%1: %2 needs the port open").arg(portLabel(), QLatin1String(operation)));
}

void MSComm::setCommPort(int port)
{
    if (port < 1 || port > kMaxCommPort)
        fail(QStringLiteral("Invalid port number %1 (1 to %2)").arg(port).arg(kMaxCommPort));
    if (PortOpen())
        fail(QStringLiteral("%1: port already open; close it before choosing another").arg(portLabel()));
    commPort_ = port;
}

void MSComm::setDevicePath(const QString& path)
{
    if (PortOpen())
        fail(QStringLiteral("%1: port already open; close it before choosing another").arg(portLabel()));
    devicePath_ = path;
}

QString MSComm::Settings() const
{
    return formatSerialSettings(settings_);
}

void MSComm::setSettings(const QString& text)
{
    const auto parsed = parseSerialSettings(text);
    if (!parsed)
        fail(QStringLiteral("Invalid serial settings \"%1\" (expected rate,parity,data bits,stop bits, "
                            "for example 115200,n,8,1)")
                 .arg(text));
    const SerialSettings previous = settings_;
    settings_ = *parsed;
    if (!PortOpen())
        return;
    try {
        applyLineSettings();
    } catch (...) {
        // The line keeps (as far as it can) the settings it had.
        settings_ = previous;
        try {
            applyLineSettings();
        } catch (...) {
        }
        throw;
    }
}

void MSComm::setHandshaking(int mode)
{
    if (mode < comNone || mode > comRTS)
        fail(QStringLiteral("Invalid handshaking %1 (0 none, 1 XON/XOFF, 2 RTS/CTS)").arg(mode));
    handshaking_ = mode;
    if (PortOpen())
        applyLineSettings();
}

void MSComm::setInputLen(int length)
{
    if (length < 0 || length > kMaxInputLen)
        fail(QStringLiteral("Invalid input length %1 (0 to %2)").arg(length).arg(kMaxInputLen));
    inputLen_ = length;
}

bool MSComm::PortOpen() const
{
    return port_ && port_->isOpen();
}

void MSComm::applyLineSettings()
{
    const QSerialPort::FlowControl flow = handshaking_ == comXOnXoff ? QSerialPort::SoftwareControl
                                          : handshaking_ == comRTS   ? QSerialPort::HardwareControl
                                                                     : QSerialPort::NoFlowControl;
    if (!port_->setBaudRate(settings_.baudRate) || !port_->setParity(settings_.parity)
        || !port_->setDataBits(settings_.dataBits) || !port_->setStopBits(settings_.stopBits)
        || !port_->setFlowControl(flow)) {
        fail(QStringLiteral("%1: settings %2 not accepted: %3").arg(portLabel(), Settings(), port_->errorString()));
    }
}

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        if (port_) {
            port_->close();
            port_.reset();
        }
        return;
    }
    if (PortOpen())
        fail(QStringLiteral("%1: port already open").arg(portLabel()));

    auto port = std::make_unique<QSerialPort>();
    port->setPortName(openedPath());
    if (!port->open(QIODevice::ReadWrite)) {
        QString hint;
        if (port->error() == QSerialPort::PermissionError) {
            hint = deniedAccessHint(openedPath(), "dialout");
            if (hint.isEmpty())
                hint = QStringLiteral(" (the port is in use by another program)");
        }
        fail(QStringLiteral("%1 cannot be opened: %2%3").arg(portLabel(), port->errorString(), hint));
    }
    port_ = std::move(port);
    try {
        applyLineSettings();
    } catch (...) {
        port_->close();
        port_.reset();
        throw;
    }
    // An exchange starts clean: nothing left over from before the port was opened.
    port_->clear(QSerialPort::AllDirections);
}

void MSComm::setOutput(const QByteArray& bytes)
{
    requireOpen("Output");
    if (bytes.isEmpty())
        return;
    if (port_->write(bytes) != bytes.size())
        fail(QStringLiteral("%1: write failed: %2").arg(portLabel(), port_->errorString()));
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(int(outputTimeout_.count())))
            fail(QStringLiteral("%1: write did not complete within %2 ms: %3")
                     .arg(portLabel())
                     .arg(outputTimeout_.count())
                     .arg(port_->errorString()));
    }
}

void MSComm::takeArrivedBytes()
{
    // Nothing runs an event loop during an exchange, so what the driver holds is
    // collected here, without waiting.
    while (port_->waitForReadyRead(0)) {
    }
    port_->clearError();
}

QByteArray MSComm::Input()
{
    requireOpen("Input");
    takeArrivedBytes();
    const qint64 available = port_->bytesAvailable();
    const qint64 wanted = inputLen_ == 0 ? available : std::min<qint64>(inputLen_, available);
    return port_->read(wanted);
}

int MSComm::InBufferCount()
{
    requireOpen("InBufferCount");
    takeArrivedBytes();
    return int(port_->bytesAvailable());
}

bool MSComm::waitForInput(std::chrono::milliseconds wait)
{
    requireOpen("waitForInput");
    takeArrivedBytes();
    if (port_->bytesAvailable() > 0)
        return true;
    if (!port_->waitForReadyRead(int(wait.count()))) {
        if (port_->error() != QSerialPort::NoError && port_->error() != QSerialPort::TimeoutError)
            fail(QStringLiteral("%1: read failed: %2").arg(portLabel(), port_->errorString()));
        port_->clearError();
    }
    return port_->bytesAvailable() > 0;
}

}  // namespace quillmar
