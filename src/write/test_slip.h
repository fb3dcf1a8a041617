#pragma once
// A slip that proves a write: a short text job printed by the printer itself
// at its new address, on its TCP port, naming its device name, MAC, address,
// SSID (never a key), the date and who set it, and ending with a paper cut.
// The technician tears it off and sticks it to the printer: a slip that came
// out is a printer that joined its network with those settings.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

#include "record/device_entry.h"
#include "write/fleet_save.h"

namespace quillmar {

// The job for `record` (as written) at `address`: ESC/POS, printable text only
// (a control byte of a device name would be a printer command), then a cut.
QByteArray testSlip(const DeviceEntry& record, const QString& address, const QDateTime& when, const QString& by);

// Who sets it: the PC's user and its host name.
QString slipAuthor();

struct SlipPrint {
    bool printed = false;
    QString reason;  // why not, otherwise
};

// Where a proven write's slip goes: the printer's TCP port at the address it
// has now (where the read-back found it, else the address a STATIC record
// gives it, else where it answered). Nothing when the write is not proven
// (confirmed, and verified when read back).
struct SlipTarget {
    QString address;
    quint16 port = 0;
};
std::optional<SlipTarget> slipTarget(const ModuleVerdict& module);

// Sends `job` to `address`:`port`, trying again while the printer is still
// restarting, until `wait` has passed.
SlipPrint printTestSlip(const QString& address, quint16 port, const QByteArray& job, std::chrono::milliseconds wait);

}  // namespace quillmar
