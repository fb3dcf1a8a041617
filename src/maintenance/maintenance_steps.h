#pragma once
// The bodies of the reboot and the firmware upgrade, without threads or
// windows: the manager's workers run them on their threads, the command line
// on its own. Each returns its result code (maintenance_result.h) and leaves
// nothing behind: socket, serial port, file, route and neighbour entry are
// released in every outcome.
#include "maintenance/device_session.h"
#include "maintenance/maintenance_request.h"

namespace quillmar {

// Logs in (with the request's password) and sends "$SYCR": 0, -1, -2, -3,
// -5, -6, or -11/-12 before anything is sent.
int runRebootSteps(const MaintenanceRequest& request, const SessionEnvironment& environment);

// Opens the request's serial port and firmware file, tells the device to hand
// over to its serial loader ("$SYCS", logged in with the request's password;
// the manager's Upgrade command gives none) and sends the file by XMODEM.
// Nothing is sent to the device unless the port and the file are usable: 0,
// -1 to -10, or -11/-12. A request whose printer is in its loader already
// skips the network: the loader is told to leave any transfer it is in and
// to show its menu again, and the image goes as after a hand-over.
int runUpgradeSteps(const MaintenanceRequest& request, const SessionEnvironment& environment);

}  // namespace quillmar
