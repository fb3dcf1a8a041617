#include "platform/wifi_survey.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QThread>
#include <QVariantMap>

namespace quillmar {

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kWirelessInterface = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString kAccessPointInterface = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
constexpr unsigned kDeviceTypeWifi = 2;

// Plain method calls: a QDBusInterface would first introspect each object
// and keep a meta-object per interface for as long as the bus connection.
QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::systemBus().call(message);
}

QVariant property(const QString& path, const QString& interface, const QString& name)
{
    const QDBusMessage reply = call(path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                    {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariant();
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
}

std::vector<QString> objectPaths(const QDBusMessage& reply)
{
    std::vector<QString> paths;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return paths;
    const QList<QDBusObjectPath> list = qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().constFirst());
    for (const QDBusObjectPath& path : list)
        paths.push_back(path.path());
    return paths;
}

// A fresh scan when NetworkManager allows one (it refuses scans too close
// together); the access points it already knows are read either way.
void scan(const QString& device, std::chrono::milliseconds wait)
{
    const QVariant before = property(device, kWirelessInterface, QStringLiteral("LastScan"));
    const QDBusMessage asked = call(device, kWirelessInterface, QStringLiteral("RequestScan"), {QVariantMap()});
    if (asked.type() != QDBusMessage::ReplyMessage || !before.isValid())
        return;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < wait.count()) {
        if (property(device, kWirelessInterface, QStringLiteral("LastScan")) != before)
            return;
        QThread::msleep(200);
    }
}

}  // namespace

WifiSurvey surveyWifi(std::chrono::milliseconds scanWait)
{
    WifiSurvey survey;
    if (!QDBusConnection::systemBus().isConnected()) {
        survey.whyNot = QStringLiteral("there is no system bus to ask NetworkManager on");
        return survey;
    }
    const QDBusMessage devices = call(kManagerPath, kService, QStringLiteral("GetDevices"));
    if (devices.type() != QDBusMessage::ReplyMessage) {
        survey.whyNot = QStringLiteral("NetworkManager does not answer on the system bus");
        return survey;
    }
    for (const QString& device : objectPaths(devices)) {
        if (property(device, kDeviceInterface, QStringLiteral("DeviceType")).toUInt() != kDeviceTypeWifi)
            continue;
        survey.looked = true;
        scan(device, scanWait);
        for (const QString& path :
             objectPaths(call(device, kWirelessInterface, QStringLiteral("GetAllAccessPoints")))) {
            SeenAccessPoint point;
            point.ssid = property(path, kAccessPointInterface, QStringLiteral("Ssid")).toByteArray();
            point.flags = property(path, kAccessPointInterface, QStringLiteral("Flags")).toUInt();
            point.wpaFlags = property(path, kAccessPointInterface, QStringLiteral("WpaFlags")).toUInt();
            point.rsnFlags = property(path, kAccessPointInterface, QStringLiteral("RsnFlags")).toUInt();
            survey.accessPoints.push_back(point);
        }
    }
    if (!survey.looked)
        survey.whyNot = QStringLiteral("NetworkManager has no Wi-Fi device on this PC");
    return survey;
}

}  // namespace quillmar
