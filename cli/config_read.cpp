#include "config_read.h"

#include <QEventLoop>
#include <QString>
#include <QTimer>

#include <array>

#include "comm/udp_endpoint.h"
#include "core_application.h"
#include "record/ipv4_text.h"

namespace quillmar::cli {

ConfigReadResult readModuleConfig(std::uint32_t address, std::chrono::milliseconds wait, quint16 modulePort)
{
    ensureCoreApplication();
    ConfigReadResult result;
    const QString target = QString::fromStdString(formatIpv4(address));
    try {
        TNMUDP endpoint;
        endpoint.setLocalPort(kLocalConfigPort);
        if (!endpoint.Bound()) {
            result.outcome = ConfigReadResult::Outcome::Failed;
            result.error = "local UDP port " + std::to_string(kLocalConfigPort)
                           + " is in use (is a configuration window or another quillmar-cli open?)";
            return result;
        }
        QEventLoop loop;
        endpoint.OnDataReceived = [&](TNMUDP* sender, int numberBytes, const QString& fromIp, int) {
            if (result.outcome == ConfigReadResult::Outcome::Answered || fromIp != target || numberBytes <= 0)
                return;
            std::array<char, kDeviceEntrySize> buffer{};
            int length = 0;
            sender->ReadDatagram(buffer.data(), int(buffer.size()), length);
            result.record = DeviceEntry::fromBytes(buffer.data(), std::size_t(length));
            result.answerLength = numberBytes;
            result.outcome = ConfigReadResult::Outcome::Answered;
            loop.quit();
        };
        endpoint.setRemoteHost(target);
        endpoint.setRemotePort(modulePort);
        endpoint.SendDatagram(kReadRequest);
        QTimer::singleShot(wait, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        if (result.outcome != ConfigReadResult::Outcome::Answered)
            loop.exec();
    } catch (const std::exception& error) {
        result.outcome = ConfigReadResult::Outcome::Failed;
        result.error = error.what();
    }
    return result;
}

}  // namespace quillmar::cli
