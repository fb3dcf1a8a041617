#include "maintenance/maintenance_starter.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <QWidget>

#include "maintenance/maintenance_result.h"
#include "maintenance/maintenance_timing.h"
#include "maintenance/upgrade_prg_form.h"
#include "ui/prompter.h"

namespace quillmar {
namespace {

// Which run owns the shared progress window now.
quint64 currentRun = 0;

// The signals of `worker` that reach the window, the owner and the log.
void connectToWindow(MaintenanceThread* worker, TupgradePrgForm* window, QWidget* owner,
                     const std::function<void(const QString&)>& log)
{
    const quint64 run = ++currentRun;
    const auto current = [run] { return run == currentRun; };
    constexpr auto queued = Qt::QueuedConnection;
    QObject::connect(
        worker, &MaintenanceThread::textChanged, window,
        [window, current](const QString& text) {
            if (current())
                window->setLabelText(text);
        },
        queued);
    QObject::connect(
        worker, &MaintenanceThread::barPositionChanged, window,
        [window, current](int position) {
            if (current())
                window->setBarPosition(position);
        },
        queued);
    QObject::connect(
        worker, &MaintenanceThread::barStepped, window,
        [window, current] {
            if (current())
                window->stepBar();
        },
        queued);
    QObject::connect(
        worker, &MaintenanceThread::barAdvanced, window,
        [window, current](int delta) {
            if (current())
                window->advanceBar(delta);
        },
        queued);
    QObject::connect(
        worker, &MaintenanceThread::blocksSentChanged, window,
        [window, current](qint64 sent, qint64 total) {
            if (current())
                window->showBlocksSent(sent, total);
        },
        queued);
    QObject::connect(
        worker, &MaintenanceThread::logLine, owner, [log](const QString& line) { log(line); }, queued);
    QObject::connect(
        worker, &MaintenanceThread::workFinished, window,
        // The owner can be closed while a stopped worker still winds down;
        // the shared window outlives it.
        [window, owner = QPointer<QWidget>(owner), current] {
            if (!current())
                return;
            window->closeIfVisible();
            if (owner)
                owner->update();
        },
        queued);
    // The progress window stays until the user closes it.
    QObject::connect(
        worker, &MaintenanceThread::exceptionRaised, owner,
        [owner, log, line = worker->exceptionLine()](const QString& text) {
            log(line);
            showException(owner, text);
        },
        queued);
}

// Starts the worker and holds the window until the worker or the user closes
// it: the worker's code, or kStillRunning.
int runModally(MaintenanceThread* worker, const MaintenanceStatus& status, TupgradePrgForm* window)
{
    const QString startText = worker->startText();
    worker->start();
    window->prepareForWorker();
    window->setLabelText(startText);
    window->exec();
    return status->load();
}

}  // namespace

int runBehindProgressWindow(MaintenanceThread* worker, const MaintenanceStatus& status, TupgradePrgForm* window,
                            QWidget* owner, const std::function<void(const QString&)>& log)
{
    connectToWindow(worker, window, owner, log);
    const QPointer<MaintenanceThread> running(worker);
    const int code = runModally(worker, status, window);
    if (code == maintenance::kStillRunning && running)
        running->requestStop();
    return code;
}

AskedRun runAskingBeforeStop(MaintenanceThread* worker, const MaintenanceStatus& status, TupgradePrgForm* window,
                             QWidget* owner, const std::function<void(const QString&)>& log, const QString& question)
{
    connectToWindow(worker, window, owner, log);
    const QPointer<MaintenanceThread> running(worker);
    bool stopConfirmed = false;
    window->setCancelCheck([&] {
        if (!running || running->isFinished() || running->stopBeforeHandOver())
            return true;
        // Stopping leaves the printer in its loader: Enter keeps the upgrade going.
        if (!confirm(window, question, PromptAnswer::No))
            return false;
        stopConfirmed = true;
        return true;
    });
    AskedRun run;
    run.code = runModally(worker, status, window);
    window->setCancelCheck({});
    if (run.code == maintenance::kStillRunning && running)
        running->requestStop();
    if (stopConfirmed) {
        // The worker honours the stop within its current step; it may also
        // have finished the download on its own meanwhile.
        if (running)
            running->wait(QDeadlineTimer(kStoppedWorkerWait));
        run.code = status->load();
        run.stoppedAfterHandOver = run.code == maintenance::kStopped || run.code == maintenance::kStillRunning;
    }
    return run;
}

}  // namespace quillmar
