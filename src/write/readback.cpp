#include "write/readback.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <cstring>
#include <exception>
#include <thread>

#include "comm/core_application.h"
#include "config/config_port.h"
#include "config/save_exchange.h"
#include "record/ipv4_text.h"
#include "record/module_protocol.h"
#include "write/module_census.h"
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

struct Pending {
    ModuleVerdict* module;
    std::string mac;
    QString staticAddress;  // empty on DHCP
};

}  // namespace

std::vector<ChangedField> readbackDifferences(const DeviceEntry& sent, const DeviceEntry& found)
{
    std::vector<ChangedField> differences = recordChanges(sent, found);
    if (takesDhcp(sent)) {
        std::erase_if(differences, [](const ChangedField& change) { return change.field == DeviceField::IpAddress; });
    }
    return differences;
}

void readBack(std::vector<ModuleVerdict>& verdicts, const ReadbackTiming& timing,
              const std::function<bool()>& stopRequested)
{
    ensureCoreApplication();
    std::vector<Pending> pending;
    for (ModuleVerdict& module : verdicts) {
        if (module.outcome != ModuleVerdict::Outcome::Confirmed || !module.sent)
            continue;
        module.readback = Readback::NotSeenAgain;
        pending.push_back(
            {&module, macOf(*module.sent),
             takesDhcp(*module.sent) ? QString() : QString::fromStdString(module.sent->text(DeviceField::IpAddress))});
    }
    if (pending.empty())
        return;

    QEventLoop loop;
    // Only the module counts: a STATIC one where it was saved (answers come
    // from port 5000 alone), a DHCP one as a search finds it.
    const auto found = [&](const DeviceEntry& record, const QString& from, bool searched) {
        const std::string mac = macOf(record);
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            if (it->mac != mac || (it->staticAddress.isEmpty() != searched) || (!searched && from != it->staticAddress))
                continue;
            ModuleVerdict& module = *it->module;
            module.readbackAddress = from;
            module.differences = readbackDifferences(*module.sent, record);
            module.readback = module.differences.empty() ? Readback::Verified : Readback::Differs;
            pending.erase(it);
            break;
        }
        if (pending.empty())
            loop.quit();
    };

    const ConfigPort::Subscription listening = ConfigPort::shared().listen(
        [&](const QByteArray& datagram, const QString& from, unsigned) {
            if (datagram.size() >= qsizetype(kDeviceEntrySize))
                found(DeviceEntry::fromBytes(datagram.constData(), kDeviceEntrySize), from, false);
        });

    // One MAC answering from two addresses is two hosts claiming one printer:
    // which of them took the save cannot be told.
    const auto claimedTwice = [&](const std::vector<CensusModule>& heard) {
        for (auto it = pending.begin(); it != pending.end();) {
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
            it->module->readback = Readback::Conflict;
            it->module->readbackAddress = addresses.join(QStringLiteral(" and "));
            it = pending.erase(it);
        }
        if (pending.empty())
            loop.quit();
    };

    // DHCP modules are looked for by one broadcast search after another.
    std::atomic<bool> stopCensus{false};
    std::atomic<bool> censusRunning{false};
    std::thread census;
    QObject context;
    const auto startCensus = [&] {
        if (censusRunning)
            return;
        if (census.joinable())
            census.join();
        censusRunning = true;
        census = std::thread([&] {
            QString error;
            const auto modules = takeCensus(error, &stopCensus);
            QMetaObject::invokeMethod(
                &context,
                [&, modules] {
                    censusRunning = false;
                    const std::vector<CensusModule> heard = modules.value_or(std::vector<CensusModule>{});
                    claimedTwice(heard);
                    for (const CensusModule& module : heard)
                        found(module.record, QString::fromStdString(formatIpv4(module.from)), true);
                },
                Qt::QueuedConnection);
        });
    };

    const auto ask = [&] {
        bool dhcpLeft = false;
        for (const Pending& target : pending) {
            if (target.staticAddress.isEmpty()) {
                dhcpLeft = true;
                continue;
            }
            try {
                ConfigPort::shared().send(target.staticAddress, kModulePort, kReadRequest,
                                          target.module->interfaceIndex);
            } catch (const std::exception&) {
                // Asked again at the next retry; the verdict says if it never answered.
            }
        }
        if (dhcpLeft)
            startCensus();
    };

    QTimer retry;
    QObject::connect(&retry, &QTimer::timeout, &loop, ask);
    retry.start(timing.retry);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timing.timeout);
    QTimer stopCheck;
    if (stopRequested) {
        QObject::connect(&stopCheck, &QTimer::timeout, &loop, [&] {
            if (!stopRequested())
                return;
            // Not seen because nobody waited: the modules may still answer.
            for (const Pending& target : pending)
                target.module->readback = Readback::Stopped;
            loop.quit();
        });
        stopCheck.start(std::chrono::milliseconds(100));
    }
    ask();
    if (!pending.empty())
        loop.exec();
    stopCensus = true;
    if (census.joinable())
        census.join();
}

}  // namespace quillmar
