#include "maintenance_run.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <pthread.h>
#include <signal.h>

#include <memory>
#include <mutex>

#include "comm/core_application.h"
#include "maintenance/maintenance_result.h"
#include "maintenance/session_tables.h"
#include "platform/host_tables.h"
#include "platform/local_addresses.h"
#include "progress_display.h"
#include "stop_signals.h"

namespace quillmar::cli {

namespace {

using namespace std::chrono_literals;

// Starts the worker with the stop signals blocked on its thread, so that they
// reach this one and never cut one of the worker's waits short.
void startWithoutStopSignals(QThread& worker)
{
    const sigset_t stops = StopSignals::caught();
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &stops, &previous);
    worker.start();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace

MaintenanceRun runMaintenanceWorker(const WorkerFactory& makeWorker, const StopSignals& stops, VerbContext& context)
{
    MaintenanceRun run;
    LocalAddressReading reading = IfaddrsAddressSource().read();
    if (reading.error != 0) {
        run.setupError = QStringLiteral("GetIpAddrTable failed, %1").arg(reading.error);
        return run;
    }
    if (reading.addresses.empty()) {
        run.setupError = QStringLiteral("no valid host ip");
        return run;
    }
    if (reading.addresses.size() > kMaxLocalAddresses)
        reading.addresses.resize(kMaxLocalAddresses);
    ensureCoreApplication();

    // The table helpers log from the worker's thread.
    std::mutex logLock;
    const auto log = [&run, &logLock](const QString& line) {
        const std::lock_guard<std::mutex> lock(logLock);
        run.log << line;
    };
    SessionTables tables(context.hostTables, [&log](const std::string& line) { log(QString::fromLocal8Bit(line)); });
    const SessionEnvironment environment = tables.environment(std::move(reading.addresses), context.maintenanceTiming);
    const MaintenanceStatus status = std::make_shared<std::atomic<int>>(maintenance::kStillRunning);

    MaintenanceThread* worker = makeWorker(environment, status);
    const QPointer<MaintenanceThread> alive(worker);
    ProgressDisplay display(context.err, context.errIsTerminal);
    QEventLoop loop;
    QObject::connect(worker, &MaintenanceThread::textChanged, &loop,
                     [&display](const QString& text) { display.setText(text); });
    QObject::connect(worker, &MaintenanceThread::blocksSentChanged, &loop, [&display, &run](qint64 sent, qint64 total) {
        run.blocksSent = sent;
        run.blocks = total;
        display.blocksSent(sent, total);
    });
    QObject::connect(worker, &MaintenanceThread::logLine, &loop, log);
    QObject::connect(worker, &MaintenanceThread::handedOver, &loop, [&run] { run.handedOver = true; });
    QObject::connect(worker, &MaintenanceThread::exceptionRaised, &loop,
                     [&run](const QString& text) { run.exception = text; });
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);

    {
        QTimer stopCheck;
        stopCheck.setInterval(50ms);
        QObject::connect(&stopCheck, &QTimer::timeout, &loop, [&] {
            if (!stops.raised() || run.stopRequested || !alive)
                return;
            run.stopRequested = true;
            alive->requestStop();
            display.setText(QStringLiteral("stopping..."));
        });
        startWithoutStopSignals(*worker);
        stopCheck.start();
        loop.exec();
    }
    display.finish();
    if (alive)
        alive->wait();
    // The worker deletes itself once its thread is over.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    run.code = status->load();
    return run;
}

}  // namespace quillmar::cli
