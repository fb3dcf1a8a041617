#pragma once
// The start-and-wait handshake of the maintenance workers: the worker starts,
// its progress reaches the progress window on this thread, and the window is
// shown modally until the worker closes it or the user presses "Cancel".
#include <QString>
#include <functional>

#include "maintenance/maintenance_result.h"
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

struct AskedRun {
    int code = maintenance::kStillRunning;  // as runBehindProgressWindow returns it
    // The user confirmed a stop after the hand-over and the worker ended stopped.
    bool stoppedAfterHandOver = false;
};

// As runBehindProgressWindow, for a worker that hands the device over (the
// upgrade, to its serial loader). From the hand-over on, "Cancel", Escape and
// the close box ask `question` ("Confirm", Yes and No) first: No leaves the
// worker running behind the window; Yes stops it and waits for its end, so
// that what the user is told next is what the device was left in. Before the
// hand-over they stop it without a word, as for any worker.
AskedRun runAskingBeforeStop(MaintenanceThread* worker, const MaintenanceStatus& status, TupgradePrgForm* window,
                             QWidget* owner, const std::function<void(const QString&)>& log, const QString& question);

}  // namespace quillmar
