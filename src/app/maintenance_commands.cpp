// The main window's starters of the reboot and the firmware upgrade: each runs
// its worker behind the shared progress window and tells the user the outcome.
#include <algorithm>
#include <optional>

#include "app/main_form.h"
#include "app/shared_windows.h"
#include "maintenance/device_passwords.h"
#include "maintenance/maintenance_journal.h"
#include "maintenance/maintenance_messages.h"
#include "maintenance/maintenance_result.h"
#include "maintenance/maintenance_starter.h"
#include "maintenance/maintenance_thread.h"
#include "maintenance/session_tables.h"
#include "maintenance/upgrade_prg_form.h"
#include "platform/secret_store.h"
#include "tools/password_dialog.h"
#include "ui/prompter.h"

namespace quillmar {
namespace {

// The device restarts and drops off the network, so a success offers a fresh
// broadcast search.
void tellOutcome(TmainForm& form, const std::optional<OutcomeMessage>& message)
{
    if (!message)
        return;
    const QString text = QString::fromStdString(message->text);
    if (!message->question) {
        showError(&form, text);
        return;
    }
    const Prompt prompt{PromptKind::Box, QString::fromStdString(message->title), text, PromptIcon::Question,
                        PromptButtons::YesNo};
    if (prompter().show(&form, prompt) == PromptAnswer::Yes)
        form.startSearch(true, QString());
}

// Names the printer in the shared progress window while one run lasts.
class ProgressDevice {
public:
    ProgressDevice(TupgradePrgForm* progress, const QString& device) : progress_(progress)
    {
        progress_->setDeviceText(device);
    }
    ~ProgressDevice() { progress_->setDeviceText(QString()); }
    ProgressDevice(const ProgressDevice&) = delete;
    ProgressDevice& operator=(const ProgressDevice&) = delete;

private:
    TupgradePrgForm* progress_;
};

}  // namespace

void TmainForm::setHostTables(HostTables* tables)
{
    hostTables_ = tables;
    sessionTables_.reset();
}

SessionEnvironment TmainForm::maintenanceEnvironment()
{
    if (!sessionTables_) {
        sessionTables_ = std::make_unique<SessionTables>(
            hostTables_, [this](const std::string& line) { log(QString::fromLocal8Bit(line)); });
    }
    return sessionTables_->environment(localAddresses_, maintenanceTiming_);
}

int TmainForm::maintenanceStatus() const
{
    return maintenanceStatus_ ? maintenanceStatus_->load() : maintenance::kStillRunning;
}

void TmainForm::trackMaintenanceWorker(MaintenanceThread* worker)
{
    std::erase_if(maintenanceWorkers_, [](const QPointer<MaintenanceThread>& ended) { return ended.isNull(); });
    maintenanceWorkers_.emplace_back(worker);
}

int TmainForm::runMaintenanceWorker(MaintenanceThread* worker, const std::shared_ptr<std::atomic<int>>& status)
{
    trackMaintenanceWorker(worker);
    return runBehindProgressWindow(worker, status, createSharedWindows().upgradePrgForm, this,
                                   [this](const QString& line) { log(line); });
}

void TmainForm::startReboot(const MaintenanceRequest& request, const QString& device)
{
    std::optional<ProgressDevice> named(std::in_place, createSharedWindows().upgradePrgForm, device);
    maintenanceStatus_ = std::make_shared<std::atomic<int>>(maintenance::kStillRunning);
    const int code = runMaintenanceWorker(new rebootThread(request, maintenanceEnvironment(), maintenanceStatus_),
                                          maintenanceStatus_);
    named.reset();
    const QString verdict = outcomeVerdict(rebootOutcome(code));
    journalMaintenance(QStringLiteral("reboot"), request, std::nullopt, verdict,
                       [this](const QString& line) { log(line); });
    log(QStringLiteral("Reboot of %1: %2")
            .arg(device.isEmpty() ? QString::fromStdString(request.deviceIp) : device, verdict.simplified()));
    tellOutcome(*this, rebootOutcome(code));
}

SecretStore& TmainForm::secretStore()
{
    if (secretStore_)
        return *secretStore_;
    if (!desktopSecretStore_)
        desktopSecretStore_ = makeDesktopSecretStore();
    return *desktopSecretStore_;
}

int TmainForm::withDevicePassword(MaintenanceRequest request, const QString& device,
                                  const std::function<int(const MaintenanceRequest&)>& attempt)
{
    const std::string& mac = request.deviceMac;
    std::optional<std::string> remembered;
    if (request.password.empty()) {
        QString error;
        remembered = rememberedDevicePassword(secretStore(), mac, error);
        if (!error.isEmpty())
            log(QStringLiteral("secret store: %1").arg(error));
        if (remembered)
            request.password = *remembered;
    }
    int code = attempt(request);
    std::optional<DevicePasswordAnswer> typed;
    while (code == maintenance::kLoginRefused) {
        std::optional<DevicePasswordAnswer> answer = askDevicePassword(this, device, remembered.has_value());
        if (!answer)
            break;
        typed = std::move(answer);
        request.password = typed->password.toLatin1().toStdString();
        code = attempt(request);
    }
    // A password the printer refused is neither kept nor forgotten: the user
    // cancelled before giving the right one.
    if (!typed || code == maintenance::kLoginRefused)
        return code;
    QString error;
    if (typed->remember) {
        if (!rememberDevicePassword(secretStore(), mac, request.password, error))
            showError(this, QStringLiteral("The password could not be remembered: %1").arg(error));
    } else if (remembered && !forgetDevicePassword(secretStore(), mac, error)) {
        showError(this, QStringLiteral("The remembered password could not be forgotten: %1").arg(error));
    }
    return code;
}

void TmainForm::startUpgrade(const MaintenanceRequest& request, const QString& device)
{
    std::optional<ProgressDevice> named(std::in_place, createSharedWindows().upgradePrgForm, device);
    const std::optional<AuditImage> image = imageOfFile(QByteArray::fromStdString(request.filePath));
    if (image)
        log(imageLine(*image));
    bool stoppedAfterHandOver = false;
    const auto attempt = [&](const MaintenanceRequest& tried) {
        maintenanceStatus_ = std::make_shared<std::atomic<int>>(maintenance::kStillRunning);
        auto* worker = new upgradeFwThread(tried, maintenanceEnvironment(), maintenanceStatus_);
        trackMaintenanceWorker(worker);
        const AskedRun run = runAskingBeforeStop(
            worker, maintenanceStatus_, createSharedWindows().upgradePrgForm, this,
            [this](const QString& line) { log(line); }, QString::fromStdString(upgradeStopQuestion()));
        stoppedAfterHandOver = run.stoppedAfterHandOver;
        journalMaintenance(QStringLiteral("upgrade"), tried, image,
                           stoppedAfterHandOver ? QString::fromStdString(upgradeStoppedOutcome().text)
                                                : outcomeVerdict(upgradeOutcome(run.code)),
                           [this](const QString& line) { log(line); });
        return run.code;
    };
    const int code = withDevicePassword(request, device, attempt);
    named.reset();
    if (stoppedAfterHandOver) {
        const QString text = QString::fromStdString(upgradeStoppedOutcome().text);
        log(text);
        // What finishes the job is offered, not only told: the printer is in
        // its loader and answers no hand-over over the network.
        if (confirm(this, QString::fromStdString(upgradeStoppedQuestion(request.portName)), PromptAnswer::Yes)) {
            MaintenanceRequest again = request;
            again.printerInLoader = true;
            log(QStringLiteral("Upgrade started again on the loader at %1")
                    .arg(QString::fromStdString(request.portName)));
            startUpgrade(again, device);
        }
        return;
    }
    log(QStringLiteral("Upgrade of %1: %2")
            .arg(device.isEmpty() ? QString::fromStdString(request.deviceIp) : device,
                 outcomeVerdict(upgradeOutcome(code)).simplified()));
    tellOutcome(*this, upgradeOutcome(code));
}

void TmainForm::stopMaintenanceWorkers()
{
    for (const QPointer<MaintenanceThread>& worker : maintenanceWorkers_) {
        if (worker)
            worker->requestStop();
    }
    for (const QPointer<MaintenanceThread>& worker : maintenanceWorkers_) {
        if (worker)
            worker->wait();
    }
}

}  // namespace quillmar
