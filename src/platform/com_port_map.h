#pragma once
// "COMn" names map to serial device paths: QUILLMAR_COMn when set, else /dev/ttyS<n-1>.
// The windows list each COMn beside the device it stands for, the ports whose
// device is there first, so that a technician sees which name is the USB
// adapter he just plugged in.
#include <QString>
#include <QStringList>

#include <vector>

namespace quillmar {

QString comPortPath(int comNumber);

// "COM3 — /dev/ttyUSB0": how a port list shows a COM number.
QString comPortLabel(int comNumber);

// Whether the device COMn stands for is there.
bool comPortExists(int comNumber);

// 1 ... `count`, the numbers whose device is there first, each part in
// ascending order.
std::vector<int> comPortsPresentFirst(int count);

// The USB serial adapters under `deviceDirectory` (ttyUSB*, ttyACM*), as paths,
// in the kernel's numbering order (ttyACM0, ttyACM1, ttyUSB0, ttyUSB2, ttyUSB10).
QStringList usbSerialPorts(const QString& deviceDirectory = QStringLiteral("/dev"));

// Every serial device under `deviceDirectory` (ttyS*, then the USB adapters),
// as paths, in the same order.
QStringList serialDevices(const QString& deviceDirectory = QStringLiteral("/dev"));

}  // namespace quillmar
