#pragma once
// A system bus of the test's own with a mock NetworkManager on it (Debian's
// python3-dbusmock, its networkmanager template): what the Wi-Fi check of a
// write asks, without the machine's own bus or radio. DBUS_SYSTEM_BUS_ADDRESS
// points at it while the object lives.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <chrono>
#include <string>
#include <thread>

#include "comm/core_application.h"

namespace quillmar::test {

class WifiBus {
public:
    WifiBus()
    {
        ensureCoreApplication();
        bus_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=/usr/share/dbus-1/session.conf"),
                                                   QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!bus_.waitForReadyRead(5000))
            return;
        address_ = bus_.readLine().trimmed();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address_);
        // Debian's interpreter, where python3-dbusmock is installed.
        manager_.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                        QStringLiteral("--template"), QStringLiteral("networkmanager")});
        for (int i = 0; i < 100 && !call("org.freedesktop.DBus.Mock.AddWiFiDevice", {}, true); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~WifiBus()
    {
        stopManager();
        bus_.kill();
        bus_.waitForFinished();
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }

    bool up() const { return !address_.isEmpty() && device_; }

    // An access point of the Wi-Fi device; `security` as NetworkManager's
    // security flags (0 open, 0x1 WEP, 0x108 PSK with AES).
    bool addAccessPoint(const QString& name, const QString& ssid, unsigned security)
    {
        return call("org.freedesktop.DBus.Mock.AddAccessPoint",
                    {QStringLiteral("string:/org/freedesktop/NetworkManager/Devices/wlan0"), "string:" + name,
                     "string:" + ssid, QStringLiteral("string:00:11:22:33:44:55"), QStringLiteral("uint32:2"),
                     QStringLiteral("uint32:2437"), QStringLiteral("uint32:54000"), QStringLiteral("byte:80"),
                     QStringLiteral("uint32:%1").arg(security)});
    }

    // NetworkManager goes away; the bus stays.
    void stopManager()
    {
        manager_.kill();
        manager_.waitForFinished();
    }

private:
    // One method of the mock; the first one made also adds the Wi-Fi device.
    bool call(const char* method, QStringList arguments, bool addsDevice = false)
    {
        if (addsDevice)
            arguments = {QStringLiteral("string:wlan0"), QStringLiteral("string:wlan0"), QStringLiteral("uint32:100")};
        QProcess send;
        send.start(QStringLiteral("dbus-send"),
                   QStringList{"--bus=" + QString::fromLatin1(address_), QStringLiteral("--print-reply"),
                               QStringLiteral("--dest=org.freedesktop.NetworkManager"),
                               QStringLiteral("/org/freedesktop/NetworkManager"), QString::fromLatin1(method)}
                       + arguments);
        const bool done = send.waitForFinished(5000) && send.exitCode() == 0;
        if (addsDevice)
            device_ = done;
        return done;
    }

    QProcess bus_;
    QProcess manager_;
    QByteArray address_;
    bool device_ = false;
};

}  // namespace quillmar::test
