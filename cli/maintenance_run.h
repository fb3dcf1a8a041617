#pragma once
// Runs a reboot or firmware upgrade worker (src/maintenance) for the command
// line, with what the manager's main window lends it: the PC's own addresses,
// and its route and neighbour tables behind their locks. The worker's steps
// are shown by a ProgressDisplay on standard error. SIGINT (Ctrl-C), SIGTERM
// or SIGHUP, as the caller's StopSignals notes them, asks the worker to stop,
// so that its session still removes the route and neighbour entry it added.
// The caller holds the StopSignals (WaitsForRelease) until it has said how the
// run ended: a second signal then changes nothing, and SIGPIPE (a reader of the
// output went away) does not stop the worker.
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "maintenance/maintenance_thread.h"
#include "stop_signals.h"
#include "verb_context.h"

namespace quillmar::cli {

struct MaintenanceRun {
    // Nothing was started: the PC's addresses could not be read.
    std::optional<QString> setupError;
    int code = 0;                      // the worker's MaintenanceResult code
    std::optional<QString> exception;  // something escaped the worker; no code then
    QStringList log;                   // the worker's message-log lines, in order
    qint64 blocksSent = 0;
    qint64 blocks = 0;
    bool stopRequested = false;  // a signal asked the worker to stop
    // The device was told to hand over (the upgrade: to its serial loader)
    // before any stop could prevent it.
    bool handedOver = false;
};

using WorkerFactory = std::function<MaintenanceThread*(SessionEnvironment, MaintenanceStatus)>;

MaintenanceRun runMaintenanceWorker(const WorkerFactory& makeWorker, const StopSignals& stops, VerbContext& context);

}  // namespace quillmar::cli
