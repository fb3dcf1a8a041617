#pragma once
// The checks the upgrade dialog makes before it accepts a firmware file, and
// the serial port names it offers. The file's content is not looked at: only
// that it is there, can be opened and holds at least a few bytes.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillmar {

inline constexpr int kUpgradePortCount = 256;
// Fewer bytes than this cannot be a firmware image.
inline constexpr qint64 kFirmwareMinimumBytes = 3;

struct FirmwareFileRefusal {
    QString title;
    QString text;
};

// "COM1" ... "COM256".
QStringList upgradePortNames();

// The serial control's port number for a port name "COM1" to "COM9"; nothing
// for any other name (the control then keeps its port).
std::optional<int> commPortOfName(const QString& portName);

// Nothing when the file may be used; otherwise the message the dialog shows:
// "file can't be blank", "file isn't exists", "open file failed" (also for
// something that is not a regular file, such as a directory or a FIFO, which
// is never waited on), "read file failed" (fewer than 3 bytes), or "Cannot
// open input file.!!!" when the file cannot be opened again as a stream.
std::optional<FirmwareFileRefusal> checkFirmwareFile(const QString& path);
// The same for a name in the system's bytes (one that need not be text): the
// kind of file is known before anything waits on it.
std::optional<FirmwareFileRefusal> checkFirmwareFile(const QByteArray& path);

}  // namespace quillmar
