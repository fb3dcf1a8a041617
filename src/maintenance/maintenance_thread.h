#pragma once
// The common shape of the maintenance workers: the body runs on a thread of
// its own, every progress update leaves it as a queued signal for the
// user-interface thread, and the result code is written once into the status
// cell its starter made for this run (a cancelled worker that ends later writes
// into its own cell, never into a newer run's). The worker deletes itself when
// its body ends.
#include <QString>
#include <QThread>
#include <atomic>
#include <memory>
#include <mutex>

#include "maintenance/device_session.h"
#include "maintenance/maintenance_progress.h"
#include "maintenance/maintenance_request.h"

namespace quillmar {

using MaintenanceStatus = std::shared_ptr<std::atomic<int>>;

class MaintenanceThread : public QThread, protected MaintenanceProgress {
    Q_OBJECT
public:
    // `environment`'s progress and stop request are this worker's own.
    MaintenanceThread(MaintenanceRequest request, SessionEnvironment environment, MaintenanceStatus status);
    ~MaintenanceThread() override;

    // Tells every worker of the process to stop and waits until each has
    // ended, and so given back what it held (route and neighbour entry,
    // serial port, temporary image file): what a program does before it ends
    // on a signal. Call it from the thread the workers were made on. The
    // number of workers that were still running.
    static int stopAllAndWait();

    // Written by the user-interface thread, polled by the worker between steps.
    void requestStop() { stopRequested_ = true; }
    // Stops the worker as requestStop does unless it has handed the device
    // over (the upgrade: told it to go to its serial loader); the hand-over
    // then never comes. False, and nothing stopped, once it has come.
    bool stopBeforeHandOver();

    // The progress text its starter shows first, and the message-log line an
    // exception that escapes the body leaves (the reboot's is the upgrade's).
    virtual QString startText() const { return QString(); }
    virtual QString exceptionLine() const { return QStringLiteral("upgradeFwThread Exception"); }

signals:
    void textChanged(const QString& text);
    void barPositionChanged(int position);
    void barStepped();
    void barAdvanced(int delta);
    void blocksSentChanged(qint64 sent, qint64 total);
    void logLine(const QString& line);
    // The device is being told to hand over; a stop from now on leaves it there.
    void handedOver();
    // The body ended with `code`, already in the status cell.
    void workFinished(int code);
    // Something escaped the body; the text is the exception's own.
    void exceptionRaised(const QString& text);

protected:
    // The body, with the signals that end a program blocked: they go to the
    // thread that watches for them, never into one of the body's waits.
    void run() override;
    void Execute();
    virtual int runSteps(const MaintenanceRequest& request, const SessionEnvironment& environment) = 0;

    void setText(const std::string& text) override;
    void setBarPosition(int position) override;
    void stepBar() override;
    void advanceBar(int delta) override;
    void blocksSent(std::int64_t sent, std::int64_t total) override;
    void log(const std::string& line) override;

private:
    // The worker's side of stopBeforeHandOver: false when the stop came first.
    bool enterHandOver();

    MaintenanceRequest request_;
    SessionEnvironment environment_;
    MaintenanceStatus status_;
    std::atomic<bool> stopRequested_{false};
    // Whether a stop comes before or after the hand-over is decided under
    // this lock, so that the one who stops knows what the device was left in.
    std::mutex handOverLock_;
    bool handedOver_ = false;
};

class rebootThread final : public MaintenanceThread {
    Q_OBJECT
public:
    using MaintenanceThread::MaintenanceThread;

protected:
    int runSteps(const MaintenanceRequest& request, const SessionEnvironment& environment) override;
};

class upgradeFwThread final : public MaintenanceThread {
    Q_OBJECT
public:
    using MaintenanceThread::MaintenanceThread;

protected:
    int runSteps(const MaintenanceRequest& request, const SessionEnvironment& environment) override;
};

}  // namespace quillmar
