#include "maintenance_run.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <pthread.h>
#include <signal.h>

#include <algorithm>
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

// The PC's addresses a session tries, or why there are none.
std::optional<QString> readSessionAddresses(std::vector<LocalAddress>& addresses)
{
    LocalAddressReading reading = IfaddrsAddressSource().read();
    if (reading.error != 0)
        return QStringLiteral("GetIpAddrTable failed, %1").arg(reading.error);
    if (reading.addresses.empty())
        return QStringLiteral("no valid host ip");
    if (reading.addresses.size() > kMaxLocalAddresses)
        reading.addresses.resize(kMaxLocalAddresses);
    addresses = std::move(reading.addresses);
    return std::nullopt;
}

// Whether a table helper's line is about the device at `address`: it names
// the address as a whole word.
bool namesAddress(const QString& line, const QString& address)
{
    for (qsizetype at = line.indexOf(address); at >= 0; at = line.indexOf(address, at + 1)) {
        const qsizetype end = at + address.size();
        const bool before = at == 0 || !(line[at - 1].isDigit() || line[at - 1] == u'.');
        const bool after = end == line.size() || !(line[end].isDigit() || line[end] == u'.');
        if (before && after)
            return true;
    }
    return false;
}

}  // namespace

std::vector<MaintenanceRun> runMaintenanceWorkers(const std::vector<MaintenanceRequest>& requests,
                                                  const RequestWorkerFactory& makeWorker, const StopSignals& stops,
                                                  VerbContext& context,
                                                  const std::function<void(std::size_t, const QString&)>& step,
                                                  const std::function<void(std::size_t, const MaintenanceRun&)>& ended,
                                                  std::size_t atOnce)
{
    std::vector<MaintenanceRun> runs(requests.size());
    std::vector<LocalAddress> addresses;
    if (const std::optional<QString> error = readSessionAddresses(addresses)) {
        for (MaintenanceRun& run : runs)
            run.setupError = error;
        return runs;
    }
    ensureCoreApplication();

    enum class State { Waiting, Running, Ended };
    std::vector<State> states(requests.size(), State::Waiting);
    std::vector<QPointer<MaintenanceThread>> workers(requests.size());
    std::vector<MaintenanceStatus> statuses(requests.size());
    // The table helpers are shared by every session; their lines name the
    // device they are about (or go to every session that runs).
    std::mutex logLock;
    SessionTables tables(context.hostTables, [&](const std::string& text) {
        const QString line = QString::fromLocal8Bit(text);
        const std::lock_guard<std::mutex> lock(logLock);
        bool named = false;
        for (std::size_t i = 0; i < requests.size(); ++i) {
            if (states[i] == State::Running && namesAddress(line, QString::fromStdString(requests[i].deviceIp))) {
                runs[i].log << line;
                named = true;
            }
        }
        for (std::size_t i = 0; !named && i < requests.size(); ++i) {
            if (states[i] == State::Running)
                runs[i].log << line;
        }
    });

    QEventLoop loop;
    std::size_t running = 0;
    bool stopping = false;
    const auto finishOne = [&](std::size_t i) {
        {
            const std::lock_guard<std::mutex> lock(logLock);
            states[i] = State::Ended;
        }
        --running;
        if (workers[i])
            workers[i]->wait();
        runs[i].code = statuses[i]->load();
        ended(i, runs[i]);
    };
    std::function<void()> startMore;
    startMore = [&] {
        for (std::size_t i = 0; i < requests.size() && running < atOnce && !stopping; ++i) {
            if (states[i] != State::Waiting)
                continue;
            const bool addressBusy = std::any_of(
                requests.begin(), requests.end(), [&](const MaintenanceRequest& other) {
                    const std::size_t j = std::size_t(&other - requests.data());
                    return states[j] == State::Running && other.deviceIp == requests[i].deviceIp;
                });
            if (addressBusy)
                continue;
            statuses[i] = std::make_shared<std::atomic<int>>(maintenance::kStillRunning);
            MaintenanceThread* worker = makeWorker(
                requests[i], tables.environment(addresses, context.maintenanceTiming), statuses[i]);
            workers[i] = worker;
            QObject::connect(worker, &MaintenanceThread::textChanged, &loop,
                             [&step, i](const QString& text) { step(i, text); });
            QObject::connect(worker, &MaintenanceThread::blocksSentChanged, &loop,
                             [&runs, i](qint64 sent, qint64 total) {
                                 runs[i].blocksSent = sent;
                                 runs[i].blocks = total;
                             });
            QObject::connect(worker, &MaintenanceThread::logLine, &loop, [&runs, &logLock, i](const QString& line) {
                const std::lock_guard<std::mutex> lock(logLock);
                runs[i].log << line;
            });
            QObject::connect(worker, &MaintenanceThread::handedOver, &loop, [&runs, i] { runs[i].handedOver = true; });
            QObject::connect(worker, &MaintenanceThread::exceptionRaised, &loop,
                             [&runs, i](const QString& text) { runs[i].exception = text; });
            QObject::connect(worker, &QThread::finished, &loop, [&, i] {
                finishOne(i);
                startMore();
                if (running == 0 && (stopping || std::none_of(states.begin(), states.end(), [](State state) {
                                         return state == State::Waiting;
                                     })))
                    loop.quit();
            });
            {
                const std::lock_guard<std::mutex> lock(logLock);
                states[i] = State::Running;
            }
            ++running;
            startWithoutStopSignals(*worker);
        }
    };

    {
        QTimer stopCheck;
        stopCheck.setInterval(50ms);
        QObject::connect(&stopCheck, &QTimer::timeout, &loop, [&] {
            if (!stops.raised() || stopping)
                return;
            stopping = true;
            for (std::size_t i = 0; i < requests.size(); ++i) {
                runs[i].stopRequested = true;
                if (states[i] == State::Running && workers[i])
                    workers[i]->requestStop();
                if (states[i] == State::Waiting) {
                    states[i] = State::Ended;
                    runs[i].code = maintenance::kStopped;
                    ended(i, runs[i]);
                }
            }
            if (running == 0)
                loop.quit();
        });
        startMore();
        if (running > 0) {
            stopCheck.start();
            loop.exec();
        }
    }
    // The workers delete themselves once their threads are over.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return runs;
}

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
