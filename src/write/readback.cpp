#include "write/readback.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QStringList>

#include <exception>

#include "comm/core_application.h"
#include "config/save_exchange.h"
#include "record/ipv4_text.h"
#include "record/module_protocol.h"
#include "write/write_guard.h"

namespace quillmar {

namespace {

using Readback = ModuleVerdict::Readback;

bool takesDhcp(const DeviceEntry& record)
{
    return record.text(DeviceField::IpMode).substr(0, 1) == "D";
}

std::string macOf(const DeviceEntry& record)
{
    return macKey(record.text(DeviceField::MacAddress));
}

}  // namespace

std::vector<ChangedField> readbackDifferences(const DeviceEntry& sent, const DeviceEntry& found)
{
    std::vector<ChangedField> differences = recordChanges(sent, found);
    if (takesDhcp(sent)) {
        std::erase_if(differences, [](const ChangedField& change) { return change.field == DeviceField::IpAddress; });
    }
    return differences;
}

ReadbackRun::ReadbackRun(std::vector<ModuleVerdict> verdicts, const ReadbackTiming& timing, QObject* parent)
    : QObject(parent), verdicts_(std::move(verdicts)), timing_(timing)
{
    ensureCoreApplication();
    retry_.setInterval(timing_.retry);
    connect(&retry_, &QTimer::timeout, this, &ReadbackRun::ask);
    deadline_.setSingleShot(true);
    deadline_.setInterval(timing_.timeout);
    connect(&deadline_, &QTimer::timeout, this, &ReadbackRun::end);
}

ReadbackRun::~ReadbackRun()
{
    stopCensus_ = true;
    if (census_.joinable())
        census_.join();
}

void ReadbackRun::start()
{
    for (std::size_t i = 0; i < verdicts_.size(); ++i) {
        ModuleVerdict& module = verdicts_[i];
        if (module.outcome != ModuleVerdict::Outcome::Confirmed || !module.sent)
            continue;
        module.readback = Readback::NotSeenAgain;
        pending_.push_back(
            {i, macOf(*module.sent),
             takesDhcp(*module.sent) ? QString() : QString::fromStdString(module.sent->text(DeviceField::IpAddress))});
    }
    if (pending_.empty()) {
        end();
        return;
    }
    listening_ = ConfigPort::shared().listen([this](const QByteArray& datagram, const QString& from, unsigned) {
        if (datagram.size() >= qsizetype(kDeviceEntrySize))
            found(DeviceEntry::fromBytes(datagram.constData(), kDeviceEntrySize), from, false);
    });
    retry_.start();
    deadline_.start();
    ask();
}

void ReadbackRun::stop()
{
    if (done_)
        return;
    // Not seen because nobody waited: the modules may still answer.
    for (const Pending& target : pending_)
        verdicts_[target.module].readback = Readback::Stopped;
    end();
}

// Only the module counts: a STATIC one where it was saved (answers come from
// port 5000 alone), a DHCP one as a search finds it.
void ReadbackRun::found(const DeviceEntry& record, const QString& from, bool searched)
{
    if (done_)
        return;
    const std::string mac = macOf(record);
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->mac != mac || (it->staticAddress.isEmpty() != searched) || (!searched && from != it->staticAddress))
            continue;
        ModuleVerdict& module = verdicts_[it->module];
        module.readbackAddress = from;
        module.differences = readbackDifferences(*module.sent, record);
        module.readback = module.differences.empty() ? Readback::Verified : Readback::Differs;
        pending_.erase(it);
        break;
    }
    if (pending_.empty())
        end();
}

// One MAC answering from two addresses is two hosts claiming one printer:
// which of them took the save cannot be told.
void ReadbackRun::claimedTwice(const std::vector<CensusModule>& heard)
{
    for (auto it = pending_.begin(); it != pending_.end();) {
        QStringList addresses;
        for (const CensusModule& module : heard) {
            const QString from = QString::fromStdString(formatIpv4(module.from));
            if (it->staticAddress.isEmpty() && macOf(module.record) == it->mac && !addresses.contains(from))
                addresses << from;
        }
        if (addresses.size() < 2) {
            ++it;
            continue;
        }
        verdicts_[it->module].readback = Readback::Conflict;
        verdicts_[it->module].readbackAddress = addresses.join(QStringLiteral(" and "));
        it = pending_.erase(it);
    }
    if (pending_.empty())
        end();
}

// DHCP modules are looked for by one broadcast search after another.
void ReadbackRun::startCensus()
{
    if (censusRunning_)
        return;
    if (census_.joinable())
        census_.join();
    censusRunning_ = true;
    census_ = std::thread([this] {
        QString error;
        const auto modules = takeCensus(error, &stopCensus_);
        QMetaObject::invokeMethod(
            this,
            [this, modules] {
                censusRunning_ = false;
                if (done_)
                    return;
                const std::vector<CensusModule> heard = modules.value_or(std::vector<CensusModule>{});
                claimedTwice(heard);
                for (const CensusModule& module : heard)
                    found(module.record, QString::fromStdString(formatIpv4(module.from)), true);
            },
            Qt::QueuedConnection);
    });
}

void ReadbackRun::ask()
{
    if (done_)
        return;
    bool dhcpLeft = false;
    for (const Pending& target : pending_) {
        if (target.staticAddress.isEmpty()) {
            dhcpLeft = true;
            continue;
        }
        try {
            ConfigPort::shared().send(target.staticAddress, kModulePort, kReadRequest,
                                      verdicts_[target.module].interfaceIndex);
        } catch (const std::exception&) {
            // Asked again at the next retry; the verdict says if it never answered.
        }
    }
    if (dhcpLeft)
        startCensus();
}

void ReadbackRun::end()
{
    if (done_)
        return;
    done_ = true;
    retry_.stop();
    deadline_.stop();
    listening_.reset();
    stopCensus_ = true;
    emit finished();
}

void readBack(std::vector<ModuleVerdict>& verdicts, const ReadbackTiming& timing,
              const std::function<bool()>& stopRequested)
{
    ReadbackRun run(verdicts, timing);
    QEventLoop loop;
    QObject::connect(&run, &ReadbackRun::finished, &loop, &QEventLoop::quit);
    QTimer stopCheck;
    if (stopRequested) {
        QObject::connect(&stopCheck, &QTimer::timeout, &loop, [&run, &stopRequested] {
            if (stopRequested())
                run.stop();
        });
        stopCheck.start(std::chrono::milliseconds(100));
    }
    run.start();
    if (!run.isDone())
        loop.exec();
    verdicts = run.verdicts();
}

}  // namespace quillmar
