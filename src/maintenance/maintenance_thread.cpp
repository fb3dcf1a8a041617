#include "maintenance/maintenance_thread.h"

#include <QPointer>
#include <pthread.h>
#include <signal.h>

#include <exception>
#include <set>
#include <vector>

#include "maintenance/maintenance_steps.h"

namespace quillmar {
namespace {

// Every worker object that exists, whoever started it.
std::mutex workersLock;
std::set<MaintenanceThread*>& workers()
{
    static std::set<MaintenanceThread*> all;
    return all;
}

}  // namespace

MaintenanceThread::MaintenanceThread(MaintenanceRequest request, SessionEnvironment environment,
                                     MaintenanceStatus status)
    : request_(std::move(request)), environment_(std::move(environment)), status_(std::move(status))
{
    {
        const std::lock_guard<std::mutex> lock(workersLock);
        workers().insert(this);
    }
    environment_.progress = this;
    environment_.stopRequested = &stopRequested_;
    environment_.enterHandOver = [this] { return enterHandOver(); };
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

MaintenanceThread::~MaintenanceThread()
{
    const std::lock_guard<std::mutex> lock(workersLock);
    workers().erase(this);
}

int MaintenanceThread::stopAllAndWait()
{
    // Workers delete themselves later on this thread, so none goes while
    // this waits.
    std::vector<QPointer<MaintenanceThread>> running;
    {
        const std::lock_guard<std::mutex> lock(workersLock);
        for (MaintenanceThread* worker : workers()) {
            if (worker->isRunning())
                running.emplace_back(worker);
        }
    }
    for (const QPointer<MaintenanceThread>& worker : running)
        worker->requestStop();
    for (const QPointer<MaintenanceThread>& worker : running) {
        if (worker)
            worker->wait();
    }
    return static_cast<int>(running.size());
}

bool MaintenanceThread::stopBeforeHandOver()
{
    const std::lock_guard<std::mutex> lock(handOverLock_);
    if (handedOver_)
        return false;
    stopRequested_ = true;
    return true;
}

bool MaintenanceThread::enterHandOver()
{
    {
        const std::lock_guard<std::mutex> lock(handOverLock_);
        if (stopRequested_)
            return false;
        handedOver_ = true;
    }
    emit handedOver();
    return true;
}

void MaintenanceThread::run()
{
    sigset_t ends;
    sigemptyset(&ends);
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&ends, number);
    pthread_sigmask(SIG_BLOCK, &ends, nullptr);
    Execute();
}

void MaintenanceThread::Execute()
{
    try {
        const int code = runSteps(request_, environment_);
        status_->store(code);
        emit barAdvanced(kPrgBarMaximum);
        emit workFinished(code);
    } catch (const std::exception& error) {
        emit exceptionRaised(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        emit exceptionRaised(QStringLiteral("Unknown exception"));
    }
}

void MaintenanceThread::setText(const std::string& text)
{
    emit textChanged(QString::fromStdString(text));
}

void MaintenanceThread::setBarPosition(int position)
{
    emit barPositionChanged(position);
}

void MaintenanceThread::stepBar()
{
    emit barStepped();
}

void MaintenanceThread::advanceBar(int delta)
{
    emit barAdvanced(delta);
}

void MaintenanceThread::blocksSent(std::int64_t sent, std::int64_t total)
{
    emit blocksSentChanged(sent, total);
}

void MaintenanceThread::log(const std::string& line)
{
    emit logLine(QString::fromLocal8Bit(line));
}

int rebootThread::runSteps(const MaintenanceRequest& request, const SessionEnvironment& environment)
{
    return runRebootSteps(request, environment);
}

int upgradeFwThread::runSteps(const MaintenanceRequest& request, const SessionEnvironment& environment)
{
    return runUpgradeSteps(request, environment);
}

}  // namespace quillmar
