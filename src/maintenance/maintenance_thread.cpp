#include "maintenance/maintenance_thread.h"

#include <exception>

#include "maintenance/maintenance_steps.h"

namespace quillmar {

MaintenanceThread::MaintenanceThread(MaintenanceRequest request, SessionEnvironment environment,
                                     MaintenanceStatus status)
    : request_(std::move(request)), environment_(std::move(environment)), status_(std::move(status))
{
    environment_.progress = this;
    environment_.stopRequested = &stopRequested_;
    environment_.enterHandOver = [this] { return enterHandOver(); };
    connect(this, &QThread::finished, this, &QObject::deleteLater);
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

void MaintenanceThread::blocksSent(int sent, int total)
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
