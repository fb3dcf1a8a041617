#include "write/module_read.h"

#include <QEventLoop>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <exception>

#include "comm/core_application.h"
#include "config/config_port.h"
#include "record/ipv4_text.h"

namespace quillmar {

ConfigReadResult readModuleConfig(std::uint32_t address, std::chrono::milliseconds wait, quint16 modulePort)
{
    ensureCoreApplication();
    ConfigReadResult result;
    const QString target = QString::fromStdString(formatIpv4(address));
    QEventLoop loop;
    ConfigPort& port = ConfigPort::shared();
    const ConfigPort::Subscription listening = port.listen(
        [&](const QByteArray& datagram, const QString& fromIp, unsigned) {
            if (result.outcome == ConfigReadResult::Outcome::Answered || fromIp != target || datagram.isEmpty())
                return;
            result.record = DeviceEntry::fromBytes(datagram.constData(),
                                                   std::min(std::size_t(datagram.size()), kDeviceEntrySize));
            result.answerLength = int(datagram.size());
            result.outcome = ConfigReadResult::Outcome::Answered;
            loop.quit();
        });
    try {
        port.send(target, modulePort, kReadRequest);
    } catch (const std::exception& error) {
        result.outcome = ConfigReadResult::Outcome::Failed;
        result.error = error.what();
        return result;
    }
    QTimer::singleShot(wait, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    if (result.outcome != ConfigReadResult::Outcome::Answered)
        loop.exec();
    return result;
}

}  // namespace quillmar
