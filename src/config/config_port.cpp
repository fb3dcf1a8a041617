#include "config/config_port.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "comm/udp_endpoint.h"

namespace quillmar {

ConfigPort::Subscription::Subscription(Subscription&& other) noexcept
    : port_(std::exchange(other.port_, nullptr)), id_(std::exchange(other.id_, 0))
{
}

ConfigPort::Subscription& ConfigPort::Subscription::operator=(Subscription&& other) noexcept
{
    if (this != &other) {
        reset();
        port_ = std::exchange(other.port_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void ConfigPort::Subscription::reset()
{
    if (ConfigPort* port = std::exchange(port_, nullptr))
        port->remove(id_);
}

ConfigPort& ConfigPort::shared()
{
    static ConfigPort port;
    return port;
}

ConfigPort::ConfigPort() = default;
ConfigPort::~ConfigPort() = default;

ConfigPort::Subscription ConfigPort::listen(Listener listener)
{
    const int id = nextId_++;
    listeners_.emplace_back(id, std::move(listener));
    return Subscription(this, id);
}

void ConfigPort::remove(int id)
{
    listeners_.erase(
        std::remove_if(listeners_.begin(), listeners_.end(), [id](const auto& entry) { return entry.first == id; }),
        listeners_.end());
    // Closed at once (the endpoint itself stays, it may be running the handler
    // that got here), so that the next user, here or in another program, finds
    // the port free.
    if (listeners_.empty() && udp_)
        udp_->closeSocket();
}

bool ConfigPort::isOpen() const
{
    return udp_ && udp_->hasSocket() && udp_->Bound() && udp_->LocalPort() == kLocalConfigPort;
}

std::optional<QString> ConfigPort::open()
{
    if (isOpen())
        return std::nullopt;
    try {
        if (!udp_) {
            udp_ = std::make_unique<TNMUDP>();
            udp_->OnDataReceived = [this](TNMUDP* sender, int numberBytes, const QString& fromIp, int fromPort) {
                // A module answers from its port 5000; a datagram from any
                // other port is someone else's.
                if (fromPort != kModulePort)
                    return;
                QByteArray datagram(std::max(numberBytes, 0), '\0');
                int length = 0;
                sender->ReadDatagram(datagram.data(), int(datagram.size()), length);
                datagram.resize(std::max(length, 0));
                deliver(datagram, fromIp, sender->ReceivedInterface());
            };
        }
        udp_->setLocalPort(kLocalConfigPort);
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    }
    if (udp_->Bound())
        return std::nullopt;
    udp_->closeSocket();
    return QStringLiteral("local UDP port %1 is in use by another program (another Quillmar manager or quillmar-cli?)")
        .arg(kLocalConfigPort);
}

void ConfigPort::send(const QString& address, quint16 port, const QByteArray& datagram, unsigned interfaceIndex)
{
    if (const std::optional<QString> refused = open())
        throw UDPSockError(refused->toStdString());
    udp_->setRemoteHost(address);
    udp_->setRemotePort(port);
    udp_->setSendInterface(interfaceIndex);
    udp_->SendDatagram(datagram);
}

void ConfigPort::deliver(const QByteArray& datagram, const QString& fromAddress, unsigned interfaceIndex)
{
    // A listener may close its window, and so leave or join, while it hears
    // the datagram: each one is looked up again before it is called.
    std::vector<int> ids;
    ids.reserve(listeners_.size());
    for (const auto& entry : listeners_)
        ids.push_back(entry.first);
    for (const int id : ids) {
        const auto found = std::find_if(listeners_.begin(), listeners_.end(),
                                        [id](const auto& entry) { return entry.first == id; });
        if (found == listeners_.end())
            continue;
        const Listener listener = found->second;
        listener(datagram, fromAddress, interfaceIndex);
    }
}

}  // namespace quillmar
