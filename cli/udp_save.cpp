#include "udp_save.h"

#include <QEventLoop>

#include <array>
#include <exception>

#include "comm/udp_endpoint.h"
#include "core_application.h"

namespace quillmar::cli {

namespace {

class CliSaveHost final : public SaveExchangeHost {
public:
    CliSaveHost(TNMUDP& udp, const std::function<void(const QString&)>& progress) : udp_(udp), progress_(progress) {}

    void sendDatagram(const QString& address, quint16 port, const QByteArray& datagram) override
    {
        udp_.setRemoteHost(address);
        udp_.setRemotePort(port);
        udp_.SendDatagram(datagram);
    }

    void showStatus(const QString& text) override
    {
        if (!text.startsWith(QStringLiteral("Waiting")) && progress_)
            progress_(text);
    }

    void showAnswerState(const QString&) override {}
    void showAnsweredRecord(const DeviceEntry&) override {}

    void saveConfirmed() override { finish(UdpSaveResult::Outcome::Confirmed); }
    void saveUnconfirmed() override { finish(UdpSaveResult::Outcome::Unconfirmed); }

    void sendRefused(const QString& reason) override
    {
        result.error = reason.toStdString();
        finish(UdpSaveResult::Outcome::Failed);
    }

    QEventLoop loop;
    UdpSaveResult result;

private:
    void finish(UdpSaveResult::Outcome outcome)
    {
        result.outcome = outcome;
        loop.quit();
    }

    TNMUDP& udp_;
    const std::function<void(const QString&)>& progress_;
};

}  // namespace

UdpSaveResult saveOverUdp(const DeviceEntry& record, const QString& targetAddress, const QString& probeAddress,
                          std::chrono::milliseconds tick, const std::function<void(const QString&)>& progress)
{
    ensureCoreApplication();
    try {
        TNMUDP udp;
        udp.setLocalPort(kLocalConfigPort);
        if (!udp.Bound()) {
            return {UdpSaveResult::Outcome::Failed,
                    "local UDP port " + std::to_string(kLocalConfigPort)
                        + " is in use (is a configuration window or another quillmar-cli open?)"};
        }
        CliSaveHost host(udp, progress);
        SaveExchange exchange(host, tick);
        udp.OnDataReceived = [&exchange](TNMUDP* sender, int numberBytes, const QString& fromIp, int) {
            QByteArray datagram(std::max(numberBytes, 0), '\0');
            int length = 0;
            sender->ReadDatagram(datagram.data(), int(datagram.size()), length);
            datagram.resize(std::max(length, 0));
            exchange.answerReceived(datagram, fromIp);
        };
        // A refused send has already ended the run through sendRefused.
        if (exchange.startSave(record, targetAddress, probeAddress))
            host.loop.exec();
        exchange.stop();
        return host.result;
    } catch (const std::exception& error) {
        return {UdpSaveResult::Outcome::Failed, error.what()};
    }
}

}  // namespace quillmar::cli
