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

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

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

// How many sessions a run on many devices keeps open at once: each holds a
// route and a neighbour entry in the PC's tables, and a printer's command port
// takes one log-in at a time.
inline constexpr std::size_t kMostSessionsAtOnce = 4;

using RequestWorkerFactory =
    std::function<MaintenanceThread*(const MaintenanceRequest&, SessionEnvironment, MaintenanceStatus)>;

// One worker per request, all in one run: at most `atOnce` at a time, never
// two on one device address at once (their host routes and neighbour entries
// would be one), all of them over the same tables and their locks. `step`
// hears each worker's progress texts as (request index, text), `ended` each
// worker's end, both on this thread. A stop signal stops the running workers
// at their next step, each releasing its route and neighbour entry, and
// starts no more: those not started end as stopped, with nothing sent.
std::vector<MaintenanceRun> runMaintenanceWorkers(const std::vector<MaintenanceRequest>& requests,
                                                  const RequestWorkerFactory& makeWorker, const StopSignals& stops,
                                                  VerbContext& context,
                                                  const std::function<void(std::size_t, const QString&)>& step,
                                                  const std::function<void(std::size_t, const MaintenanceRun&)>& ended,
                                                  std::size_t atOnce = kMostSessionsAtOnce);

}  // namespace quillmar::cli
