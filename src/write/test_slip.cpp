#include "write/test_slip.h"

#include <QElapsedTimer>
#include <QSysInfo>
#include <QTcpSocket>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

namespace quillmar {

namespace {

QByteArray printableLine(const QString& label, const std::string& value)
{
    QByteArray line = label.toLatin1() + ": ";
    for (const char c : value)
        line += (c >= 0x20 && c < 0x7F) ? c : '?';
    return line + '\n';
}

}  // namespace

QByteArray testSlip(const DeviceEntry& record, const QString& address, const QDateTime& when, const QString& by)
{
    QByteArray job("\x1B@");  // the printer's own defaults
    job += "Quillmar printer settings\n";
    job += printableLine(QStringLiteral("Device"), record.text(DeviceField::DeviceName));
    job += printableLine(QStringLiteral("MAC"), record.text(DeviceField::MacAddress));
    job += printableLine(
        QStringLiteral("Address"),
        (address + QStringLiteral(" (") + QString::fromLatin1(record.text(DeviceField::IpMode).c_str()) + u')')
            .toStdString());
    job += printableLine(QStringLiteral("SSID"), record.text(DeviceField::Ssid));
    job += printableLine(QStringLiteral("Date"), when.toString(QStringLiteral("yyyy-MM-dd HH:mm t")).toStdString());
    job += printableLine(QStringLiteral("Set by"), by.toStdString());
    job += "\n\n\n";
    job += QByteArray("\x1DV\x42\x00", 4);  // feed and cut
    return job;
}

QString slipAuthor()
{
    const passwd* user = ::getpwuid(::getuid());
    const QString name = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(::getuid());
    return name + QStringLiteral(" on ") + QSysInfo::machineHostName();
}

std::optional<SlipTarget> slipTarget(const ModuleVerdict& module)
{
    const bool proven = module.readback == ModuleVerdict::Readback::NotAsked
                            ? module.outcome == ModuleVerdict::Outcome::Confirmed
                            : module.readback == ModuleVerdict::Readback::Verified;
    if (!proven || !module.sent)
        return std::nullopt;
    SlipTarget target;
    target.address = module.readbackAddress;
    if (target.address.isEmpty())
        target.address = module.sent->text(DeviceField::IpMode).substr(0, 1) == "D"
                             ? module.addressText
                             : QString::fromStdString(module.sent->text(DeviceField::IpAddress));
    target.port = quint16(QString::fromStdString(module.sent->text(DeviceField::TcpPort)).toUInt());
    return target;
}

SlipPrint printTestSlip(const QString& address, quint16 port, const QByteArray& job, std::chrono::milliseconds wait)
{
    QElapsedTimer clock;
    clock.start();
    QString last;
    do {
        QTcpSocket socket;
        socket.connectToHost(address, port);
        if (socket.waitForConnected(2000)) {
            socket.write(job);
            const bool sent = socket.waitForBytesWritten(5000) || socket.bytesToWrite() == 0;
            socket.disconnectFromHost();
            if (socket.state() != QAbstractSocket::UnconnectedState)
                socket.waitForDisconnected(2000);
            if (sent)
                return {true, {}};
        }
        last = socket.errorString();
        QThread::msleep(1000);
    } while (clock.elapsed() < wait.count());
    return {false, QStringLiteral("%1:%2: %3").arg(address).arg(port).arg(last)};
}

}  // namespace quillmar
