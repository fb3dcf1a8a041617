#include "write/fleet_save.h"

#include <QEventLoop>
#include <QMetaObject>

#include <algorithm>

#include <exception>

#include "comm/core_application.h"
#include "record/ipv4_text.h"
#include "record/module_protocol.h"

namespace quillmar {

struct FleetSave::Module {
    ModuleVerdict verdict;
    bool done = false;
    std::unique_ptr<ModuleHost> host;
    std::unique_ptr<SaveExchange> exchange;
};

// One module's side of the shared port: what its exchange sends goes out on
// it, and what the exchange decides ends the module's run.
class FleetSave::ModuleHost final : public SaveExchangeHost {
public:
    ModuleHost(FleetSave& fleet, Module& module) : fleet_(fleet), module_(module) {}

    void sendDatagram(const QString& address, quint16 port, const QByteArray& datagram) override
    {
        ConfigPort::shared().send(address, port, datagram, module_.verdict.interfaceIndex);
    }

    void showStatus(const QString& text) override
    {
        if (!fleet_.observer_ || text.startsWith(QLatin1String("Waiting")))
            return;
        // The exchange says so for every record the module's address sends; a
        // flood of them is one line.
        if (text.startsWith(QLatin1String("Response from "))) {
            if (responded_)
                return;
            responded_ = true;
        }
        fleet_.observer_->statusChanged(module_.verdict, text);
    }

    void showAnswerState(const QString&) override {}
    void showAnsweredRecord(const DeviceEntry&) override {}

    void saveConfirmed() override { fleet_.finish(module_, ModuleVerdict::Outcome::Confirmed, {}); }

    void saveUnconfirmed() override
    {
        fleet_.finish(module_, ModuleVerdict::Outcome::Unconfirmed,
                      QStringLiteral("the module still answers at %1 after the probe: the save was not confirmed")
                          .arg(module_.verdict.addressText));
    }

    void readUnanswered() override
    {
        fleet_.finish(module_, ModuleVerdict::Outcome::NoAnswer,
                      QStringLiteral("no answer from %1 (UDP port %2) within %3 ms")
                          .arg(module_.verdict.addressText)
                          .arg(kModulePort)
                          .arg(qint64(fleet_.timing_.readWait.count())));
    }

    void sendRefused(const QString& reason) override { fleet_.finish(module_, ModuleVerdict::Outcome::Failed, reason); }

private:
    FleetSave& fleet_;
    Module& module_;
    bool responded_ = false;
};

FleetSave::FleetSave(Planner planner, FleetTiming timing, FleetSaveObserver* observer)
    : planner_(std::move(planner)), timing_(timing), observer_(observer)
{
    ensureCoreApplication();
    ticks_.setInterval(timing_.tick);
    ticks_.setTimerType(Qt::PreciseTimer);
    connect(&ticks_, &QTimer::timeout, this, &FleetSave::tickAll);
}

FleetSave::~FleetSave() = default;

std::optional<QString> FleetSave::open()
{
    port_ = ConfigPort::shared().listen(
        [this](const QByteArray& datagram, const QString& fromIp, unsigned interfaceIndex) {
            datagramArrived(datagram, fromIp, interfaceIndex);
        });
    if (std::optional<QString> refused = ConfigPort::shared().open()) {
        port_.reset();
        return refused;
    }
    return std::nullopt;
}

void FleetSave::add(std::uint32_t address, unsigned interfaceIndex, std::chrono::milliseconds hold)
{
    if (interrupted_ || byAddress_.count({address, interfaceIndex}) != 0)
        return;
    auto owned = std::make_unique<Module>();
    Module& module = *owned;
    module.verdict.address = address;
    module.verdict.addressText = QString::fromStdString(formatIpv4(address));
    module.verdict.interfaceIndex = interfaceIndex;
    modules_.push_back(std::move(owned));
    byAddress_.emplace(std::pair{address, interfaceIndex}, &module);
    if (!port_.active()) {
        finish(module, ModuleVerdict::Outcome::Failed,
               QStringLiteral("the local UDP port %1 is not open").arg(kLocalConfigPort));
        return;
    }
    module.host = std::make_unique<ModuleHost>(*this, module);
    module.exchange = std::make_unique<SaveExchange>(*module.host, SaveExchange::ExternalTicks{});
    module.exchange->setReadWait(timing_.readWait);
    module.exchange->setTargetAddress(module.verdict.addressText);
    if (hold.count() > 0) {
        // Counted from now, so the run waits for it; read once the hold is over.
        QTimer::singleShot(hold, this, [this, &module] {
            waiting_.push_back(&module);
            startReads();
        });
        return;
    }
    waiting_.push_back(&module);
    startReads();
}

void FleetSave::startReads()
{
    // Hundreds of records answering at once would overrun the socket's
    // receive buffer and be lost, so only so many reads are out at a time.
    const auto reading = std::count_if(modules_.begin(), modules_.end(), [](const auto& module) {
        return !module->done && module->exchange && module->exchange->isReading();
    });
    for (auto free = kMostReadsAtOnce - reading; free > 0 && !waiting_.empty(); --free) {
        Module& module = *waiting_.front();
        waiting_.pop_front();
        if (module.done)
            continue;
        // The record goes to the address the module answered at, and so does
        // the probe: the module's address before this save. A refused send has
        // ended the module's run through sendRefused.
        module.exchange->readThenSave(module.verdict.addressText,
                                      [this, &module](const QByteArray& answer) { return plan(module, answer); });
    }
}

void FleetSave::noMoreModules()
{
    noMore_ = true;
    quitWhenDone();
}

void FleetSave::run(const std::function<bool()>& stopRequested)
{
    QEventLoop loop;
    quit_ = [&loop] { loop.quit(); };
    QTimer stopCheck;
    if (stopRequested) {
        connect(&stopCheck, &QTimer::timeout, this, [this, &stopRequested] {
            if (stopRequested())
                interrupt();
        });
        stopCheck.start(std::chrono::milliseconds(100));
    }
    const bool done = noMore_
                      && std::all_of(modules_.begin(), modules_.end(), [](const auto& module) { return module->done; });
    if (!done)
        loop.exec();
    quit_ = nullptr;
}

std::vector<ModuleVerdict> FleetSave::verdicts() const
{
    std::vector<ModuleVerdict> verdicts;
    for (const auto& module : modules_)
        verdicts.push_back(module->verdict);
    return verdicts;
}

void FleetSave::datagramArrived(const QByteArray& datagram, const QString& fromAddress, unsigned interfaceIndex)
{
    const std::optional<std::uint32_t> from = parseIpv4(fromAddress.toStdString());
    if (!from)
        return;
    // The module heard on that interface, or the one whose interface is not known.
    auto found = byAddress_.find({*from, interfaceIndex});
    if (found == byAddress_.end())
        found = byAddress_.find({*from, 0u});
    Module* module = found == byAddress_.end() ? nullptr : found->second;
    if (module && !module->done)
        module->exchange->answerReceived(datagram, fromAddress);
}

std::optional<DeviceEntry> FleetSave::plan(Module& module, const QByteArray& answer)
{
    ModuleReading reading;
    reading.address = module.verdict.address;
    reading.addressText = module.verdict.addressText;
    reading.interfaceIndex = module.verdict.interfaceIndex;
    reading.record = DeviceEntry::fromBytes(answer.constData(), std::min(std::size_t(answer.size()), kDeviceEntrySize));
    reading.answerLength = int(answer.size());
    module.verdict.read = reading.record;

    SavePlan plan;
    try {
        plan = planner_(reading);
    } catch (const std::exception& error) {
        plan = SavePlan::leave(ModuleVerdict::Outcome::Failed, QString::fromLocal8Bit(error.what()));
    }
    module.verdict.backupPath = plan.backupPath;
    module.verdict.wifiCheck = plan.wifiCheck;
    module.verdict.sent = plan.record;
    if (!plan.record || plan.outcome != ModuleVerdict::Outcome::Confirmed) {
        finish(module, plan.outcome, plan.message);
        return std::nullopt;
    }
    module.verdict.saveSent = true;
    QMetaObject::invokeMethod(this, &FleetSave::startReads, Qt::QueuedConnection);
    if (!ticks_.isActive())
        ticks_.start();
    if (observer_)
        observer_->saveStarting(module.verdict);
    return plan.record;
}

void FleetSave::tickAll()
{
    bool saving = false;
    for (const auto& module : modules_) {
        if (!module->done && module->exchange && module->exchange->isRunning()) {
            module->exchange->tick();
            saving = saving || (!module->done && !module->exchange->isReading());
        }
    }
    if (!saving)
        ticks_.stop();
}

void FleetSave::finish(Module& module, ModuleVerdict::Outcome outcome, const QString& message)
{
    if (module.done)
        return;
    module.done = true;
    if (module.exchange)
        module.exchange->stop();
    module.verdict.outcome = outcome;
    module.verdict.message = outcome == ModuleVerdict::Outcome::Confirmed ? QStringLiteral("Save to Module OK")
                                                                          : message;
    if (observer_)
        observer_->finished(module.verdict);
    QMetaObject::invokeMethod(this, &FleetSave::startReads, Qt::QueuedConnection);
    quitWhenDone();
}

void FleetSave::interrupt()
{
    if (interrupted_)
        return;
    interrupted_ = true;
    noMore_ = true;
    for (const auto& module : modules_) {
        // A module that was sent its record may have taken it: only the
        // verdict is missing, and the user has to know which modules those are.
        finish(*module, ModuleVerdict::Outcome::Interrupted,
               module->verdict.saveSent
                   ? QStringLiteral("stopped by the user after the record was sent: the module may have taken it")
                   : QStringLiteral("stopped by the user before anything was sent"));
    }
    quitWhenDone();
}

void FleetSave::quitWhenDone()
{
    if (!noMore_ || !quit_)
        return;
    for (const auto& module : modules_) {
        if (!module->done)
            return;
    }
    quit_();
}

}  // namespace quillmar
