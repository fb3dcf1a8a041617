#pragma once
// The start-and-wait handshake of the maintenance workers: the worker starts,
// its progress reaches the progress window on this thread, and the window is
// shown modally until the worker closes it or the user presses "Cancel".
#include <QString>
#include <functional>

#include "maintenance/maintenance_thread.h"

class QWidget;

namespace quillmar {

class TupgradePrgForm;

// The window starts with the worker's startText(). Returns the worker's
// result code, or maintenance::kStillRunning when the window closed before the
// worker finished (cancelled, or after an exception, which has been logged as
// the worker's exceptionLine() and shown already); the worker is then told to
// stop, and nothing it sends later reaches a newer run's window. `log` appends
// to the message log.
int runBehindProgressWindow(MaintenanceThread* worker, const MaintenanceStatus& status, TupgradePrgForm* window,
                            QWidget* owner, const std::function<void(const QString&)>& log);

}  // namespace quillmar
