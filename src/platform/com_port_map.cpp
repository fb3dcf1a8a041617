#include "platform/com_port_map.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quillmar {

QString comPortPath(int comNumber)
{
    const QByteArray variable = "QUILLMAR_COM" + QByteArray::number(comNumber);
    const QByteArray mapped = qgetenv(variable.constData());
    if (!mapped.isEmpty())
        return QString::fromLocal8Bit(mapped);
    return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
}

QString comPortLabel(int comNumber)
{
    return QStringLiteral("COM%1 \u2014 %2").arg(comNumber).arg(comPortPath(comNumber));
}

bool comPortExists(int comNumber)
{
    return QFileInfo::exists(comPortPath(comNumber));
}

std::vector<int> comPortsPresentFirst(int count)
{
    std::vector<int> ports;
    for (int port = 1; port <= count; ++port)
        ports.push_back(port);
    std::stable_partition(ports.begin(), ports.end(), comPortExists);
    return ports;
}

namespace {

QStringList devicesNamed(const QString& deviceDirectory, const QStringList& patterns)
{
    const QDir directory(deviceDirectory);
    QStringList names = directory.entryList(patterns, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    // ttyUSB10 after ttyUSB9, as the kernel numbers them.
    const auto key = [](const QString& name) {
        qsizetype digits = name.size();
        while (digits > 0 && name[digits - 1].isDigit())
            --digits;
        return std::pair(name.left(digits), name.mid(digits).toLongLong());
    };
    std::sort(names.begin(), names.end(), [&key](const QString& a, const QString& b) { return key(a) < key(b); });
    QStringList paths;
    for (const QString& name : names)
        paths << directory.filePath(name);
    return paths;
}

}  // namespace

QStringList usbSerialPorts(const QString& deviceDirectory)
{
    return devicesNamed(deviceDirectory, {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")});
}

QStringList serialDevices(const QString& deviceDirectory)
{
    return devicesNamed(deviceDirectory, {QStringLiteral("ttyS*")}) + usbSerialPorts(deviceDirectory);
}

}  // namespace quillmar
