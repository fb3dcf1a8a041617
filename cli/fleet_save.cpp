#include "fleet_save.h"

#include <QEventLoop>

#include <algorithm>

#include <exception>

#include "comm/udp_endpoint.h"
#include "core_application.h"
#include "record/ipv4_text.h"
#include "record/module_protocol.h"

namespace quillmar::cli {

struct FleetSave::Module {
    enum class State { Reading, Saving, Done };
    ModuleVerdict verdict;
    State state = State::Reading;
    std::unique_ptr<QTimer> readTimer;
    std::unique_ptr<ModuleHost> host;
    std::unique_ptr<SaveExchange> exchange;
};

// One module's side of the shared socket: what its exchange sends goes out on
// it, and what the exchange decides ends the module's run.
class FleetSave::ModuleHost final : public SaveExchangeHost {
public:
    ModuleHost(FleetSave& fleet, Module& module) : fleet_(fleet), module_(module) {}

    void sendDatagram(const QString& address, quint16 port, const QByteArray& datagram) override
    {
        fleet_.udp_->setRemoteHost(address);
        fleet_.udp_->setRemotePort(port);
        fleet_.udp_->SendDatagram(datagram);
    }

    void showStatus(const QString& text) override
    {
        if (fleet_.observer_ && !text.startsWith(QLatin1String("Waiting")))
            fleet_.observer_->statusChanged(module_.verdict, text);
    }

    void showAnswerState(const QString&) override {}
    void showAnsweredRecord(const DeviceEntry&) override {}

    void saveConfirmed() override { fleet_.finish(module_, ModuleVerdict::Outcome::Confirmed, {}); }

    void saveUnconfirmed() override
    {
        module_.exchange->stop();
        fleet_.finish(module_, ModuleVerdict::Outcome::Unconfirmed,
                      QStringLiteral("the module still answers at %1 after the probe: the save was not confirmed")
                          .arg(module_.verdict.addressText));
    }

    void sendRefused(const QString& reason) override { fleet_.finish(module_, ModuleVerdict::Outcome::Failed, reason); }

private:
    FleetSave& fleet_;
    Module& module_;
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
    try {
        udp_ = std::make_unique<TNMUDP>();
        udp_->setLocalPort(kLocalConfigPort);
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    }
    if (!udp_->Bound()) {
        return QStringLiteral("local UDP port %1 is in use (is a configuration window or another quillmar-cli open?)")
            .arg(kLocalConfigPort);
    }
    udp_->OnDataReceived = [this](TNMUDP* sender, int numberBytes, const QString& fromIp, int) {
        QByteArray datagram(std::max(numberBytes, 0), '\0');
        int length = 0;
        sender->ReadDatagram(datagram.data(), int(datagram.size()), length);
        datagram.resize(std::max(length, 0));
        datagramArrived(datagram, fromIp);
    };
    return std::nullopt;
}

void FleetSave::add(std::uint32_t address)
{
    if (interrupted_ || byAddress_.contains(address))
        return;
    auto owned = std::make_unique<Module>();
    Module& module = *owned;
    module.verdict.address = address;
    module.verdict.addressText = QString::fromStdString(formatIpv4(address));
    modules_.push_back(std::move(owned));
    byAddress_.insert(address, &module);
    if (!udp_) {
        finish(module, ModuleVerdict::Outcome::Failed,
               QStringLiteral("the local UDP port %1 is not open").arg(kLocalConfigPort));
        return;
    }
    try {
        udp_->setRemoteHost(module.verdict.addressText);
        udp_->setRemotePort(kModulePort);
        udp_->SendDatagram(kReadRequest);
    } catch (const std::exception& error) {
        finish(module, ModuleVerdict::Outcome::Failed, QString::fromLocal8Bit(error.what()));
        return;
    }
    module.readTimer = std::make_unique<QTimer>();
    module.readTimer->setSingleShot(true);
    module.readTimer->setTimerType(Qt::PreciseTimer);
    connect(module.readTimer.get(), &QTimer::timeout, this, [this, &module] { readTimedOut(module); });
    module.readTimer->start(timing_.readWait);
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
    const bool done = noMore_ && std::all_of(modules_.begin(), modules_.end(), [](const auto& module) {
                          return module->state == Module::State::Done;
                      });
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

void FleetSave::datagramArrived(const QByteArray& datagram, const QString& fromAddress)
{
    const std::optional<std::uint32_t> from = parseIpv4(fromAddress.toStdString());
    Module* module = from ? byAddress_.value(*from) : nullptr;
    if (!module)
        return;  // nobody this run talks to
    switch (module->state) {
    case Module::State::Reading:
        if (!datagram.isEmpty())
            readAnswered(*module, datagram);
        return;
    case Module::State::Saving:
        module->exchange->answerReceived(datagram, fromAddress);
        return;
    case Module::State::Done:
        return;
    }
}

void FleetSave::readAnswered(Module& module, const QByteArray& datagram)
{
    module.readTimer->stop();
    ModuleReading reading;
    reading.address = module.verdict.address;
    reading.addressText = module.verdict.addressText;
    reading.record = DeviceEntry::fromBytes(datagram.constData(),
                                            std::min(std::size_t(datagram.size()), kDeviceEntrySize));
    reading.answerLength = int(datagram.size());
    module.verdict.read = reading.record;

    SavePlan plan;
    try {
        plan = planner_(reading);
    } catch (const std::exception& error) {
        plan = SavePlan::leave(ModuleVerdict::Outcome::Failed, QString::fromLocal8Bit(error.what()));
    }
    module.verdict.backupPath = plan.backupPath;
    if (!plan.record) {
        finish(module, plan.outcome, plan.message);
        return;
    }
    startSave(module, *plan.record);
}

void FleetSave::readTimedOut(Module& module)
{
    if (module.state != Module::State::Reading)
        return;
    finish(module, ModuleVerdict::Outcome::NoAnswer,
           QStringLiteral("no answer from %1 (UDP port %2) within %3 ms")
               .arg(module.verdict.addressText)
               .arg(kModulePort)
               .arg(qint64(timing_.readWait.count())));
}

void FleetSave::startSave(Module& module, const DeviceEntry& record)
{
    module.state = Module::State::Saving;
    module.host = std::make_unique<ModuleHost>(*this, module);
    module.exchange = std::make_unique<SaveExchange>(*module.host, SaveExchange::ExternalTicks{});
    module.verdict.saveSent = true;
    if (!ticks_.isActive())
        ticks_.start();
    if (observer_)
        observer_->saveStarting(module.verdict);
    // The record goes to the address the module answered at, and so does the
    // probe: the module's address before this save. A refused send has ended
    // the module's run through sendRefused.
    module.exchange->startSave(record, module.verdict.addressText, module.verdict.addressText);
}

void FleetSave::tickAll()
{
    bool saving = false;
    for (const auto& module : modules_) {
        if (module->state == Module::State::Saving) {
            module->exchange->tick();
            saving = saving || module->state == Module::State::Saving;
        }
    }
    if (!saving)
        ticks_.stop();
}

void FleetSave::finish(Module& module, ModuleVerdict::Outcome outcome, const QString& message)
{
    if (module.state == Module::State::Done)
        return;
    module.state = Module::State::Done;
    if (module.readTimer)
        module.readTimer->stop();
    module.verdict.outcome = outcome;
    module.verdict.message = outcome == ModuleVerdict::Outcome::Confirmed ? QStringLiteral("Save to Module OK")
                                                                          : message;
    if (observer_)
        observer_->finished(module.verdict);
    quitWhenDone();
}

void FleetSave::interrupt()
{
    if (interrupted_)
        return;
    interrupted_ = true;
    noMore_ = true;
    for (const auto& module : modules_) {
        if (module->state == Module::State::Saving)
            module->exchange->stop();
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
        if (module->state != Module::State::Done)
            return;
    }
    quit_();
}

}  // namespace quillmar::cli
