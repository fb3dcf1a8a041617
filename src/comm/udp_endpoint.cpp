#include "comm/udp_endpoint.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QPointer>
#include <QUdpSocket>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "record/ipv4_text.h"

namespace quillmar {

namespace {

const char kInvalidBuffer[] = "Invalid buffer";
const char kNullRemoteAddress[] = "Null Remote Address";
const char kHostLookupCanceled[] = "Host Lookup Canceled";

// The endpoint never sends broadcasts: a configuration record aimed at an
// unparsable address (255.255.255.255) must not reach every module on the segment.
// Qt turns broadcasting on for the sockets it creates, so it is turned off here.
void disableBroadcast(qintptr descriptor)
{
    if (descriptor < 0)
        return;
    const int off = 0;
    ::setsockopt(int(descriptor), SOL_SOCKET, SO_BROADCAST, &off, sizeof off);
}

bool bindDescriptor(int descriptor, int port)
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    return ::bind(descriptor, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

QString dottedText(const QHostAddress& address)
{
    bool isIpv4 = false;
    const quint32 value = address.toIPv4Address(&isIpv4);
    if (!isIpv4)
        return address.toString();
    return QString::fromStdString(formatIpv4(value));
}

void checkPortNumber(int port)
{
    if (port < 0 || port > 65535)
        throw UDPSockError("Invalid port number " + std::to_string(port) + " (0 to 65535)");
}

}  // namespace

TNMUDP::TNMUDP(QObject* owner) : QObject(owner)
{
    report(kLevelInitializing, QStringLiteral("Initializing Winsock"));
    bindSocket(createSocket());
}

TNMUDP::~TNMUDP() = default;

void TNMUDP::setRemotePort(int port)
{
    checkPortNumber(port);
    remotePort_ = port;
}

void TNMUDP::setLocalPort(int port)
{
    checkPortNumber(port);
    closeSocket();
    const int descriptor = createSocket();
    localPort_ = port;
    bindSocket(descriptor);
}

void TNMUDP::closeSocket()
{
    if (socket_) {
        // The old socket may be the one whose signal is running this call (a
        // handler that rebinds), so it is closed now and deleted later.
        socket_->disconnect(this);
        socket_->close();
        socket_->deleteLater();
        socket_ = nullptr;
    }
    localPort_ = 0;
    bound_ = false;
}

int TNMUDP::BoundPort() const
{
    return socket_ ? socket_->localPort() : 0;
}

void TNMUDP::report(int level, const QString& text)
{
    if (reportLevel_ < level)
        return;
    status_ = text;
    if (OnStatus)
        OnStatus(this, text);
}

void TNMUDP::checkError(int errorNumber)
{
    report(kLevelCheckingError, QStringLiteral("Checking Error In Error Manager"));
    lastError_ = errorNumber;
    if (errorNumber == EWOULDBLOCK || errorNumber == EAGAIN)
        return;
    const std::string message = errorNumber != 0 ? "Unknown Error No. " + std::to_string(errorNumber) : std::string();
    report(kLevelLookingUpError, QStringLiteral("Looking Up Error Message") + QString::fromStdString(message));
    throw UDPSockError(message);
}

int TNMUDP::createSocket()
{
    // The descriptor is made here rather than by Qt so that its failure carries
    // the system's error number and its options (no broadcast, no address
    // sharing) are ours.
    const int descriptor = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        checkError(errno);
    return descriptor;
}

void TNMUDP::bindSocket(int descriptor)
{
    if (descriptor < 0)
        return;
    disableBroadcast(descriptor);
    // Each datagram then says which interface it came in on.
    const int on = 1;
    ::setsockopt(descriptor, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    // A port held by another socket is not an error the caller hears of: the
    // component then sends from a port the system picks, as an unbound socket would.
    bound_ = bindDescriptor(descriptor, localPort_);
    if (!bound_)
        bindDescriptor(descriptor, 0);
    socket_ = new QUdpSocket(this);
    if (!socket_->setSocketDescriptor(descriptor, QAbstractSocket::BoundState, QIODevice::ReadWrite)) {
        ::close(descriptor);
        delete socket_;
        socket_ = nullptr;
        bound_ = false;
        return;
    }
    disableBroadcast(socket_->socketDescriptor());
    connect(socket_, &QUdpSocket::readyRead, this, &TNMUDP::receivePending);
}

bool TNMUDP::lookUpHost(const QString& name, std::uint32_t& address)
{
    QEventLoop loop;
    QObject context;
    bool done = false;
    QHostInfo answer;
    QHostInfo::lookupHost(name, &context, [&](const QHostInfo& info) {
        answer = info;
        done = true;
        loop.quit();
    });
    // Other events, this component's included, run while the name is looked up.
    if (!done)
        loop.exec();
    if (answer.error() != QHostInfo::NoError)
        return false;
    for (const QHostAddress& candidate : answer.addresses()) {
        bool isIpv4 = false;
        const quint32 value = candidate.toIPv4Address(&isIpv4);
        if (isIpv4) {
            address = value;
            return true;
        }
    }
    return false;
}

std::uint32_t TNMUDP::resolveRemoteHost()
{
    QPointer<TNMUDP> self(this);
    bool retried = false;
    for (;;) {
        if (const auto dotted = parseIpv4(remoteHost_.toStdString()))
            return *dotted;
        std::uint32_t address = 0;
        const bool found = lookUpHost(remoteHost_, address);
        if (!self)
            throw UDPSockError(kHostLookupCanceled);
        if (found)
            return address;
        if (!retried && OnInvalidHost) {
            retried = true;
            bool handled = false;
            OnInvalidHost(handled);
            if (handled)
                continue;
        }
        throw UDPSockError(kHostLookupCanceled);
    }
}

void TNMUDP::SendDatagram(const char* buffer, int bufferSize, int length)
{
    QByteArray data;
    if (buffer && bufferSize > 0)
        data = QByteArray(buffer, bufferSize);
    if (length <= 0) {
        if (!OnBufferInvalid)
            throw std::runtime_error(kInvalidBuffer);
        bool handled = false;
        OnBufferInvalid(handled, data, length);
        if (!handled || length <= 0)
            throw std::runtime_error(kInvalidBuffer);
    }
    // Never send bytes the caller does not have.
    if (length > data.size())
        throw std::runtime_error(kInvalidBuffer);

    const std::uint32_t address = resolveRemoteHost();
    if (address == 0)
        throw UDPSockError(kNullRemoteAddress);

    report(kLevelSending, QStringLiteral("Sending Data"));
    if (socket_) {
        disableBroadcast(socket_->socketDescriptor());
        errno = 0;
        // A refused send is raised, not passed over: a save whose record never
        // left the PC must not go on to report success.
        QNetworkDatagram datagram(data.left(length), QHostAddress(address), quint16(remotePort_));
        if (sendInterface_ != 0)
            datagram.setInterfaceIndex(sendInterface_);
        if (socket_->writeDatagram(datagram) < 0)
            checkError(errno != 0 ? errno : EIO);
    }
    if (OnDataSend)
        OnDataSend(this);
}

int TNMUDP::ReadDatagram(char* buffer, int bufferSize, int& length)
{
    length = lastLength_;
    if (lastLength_ <= 0)
        return lastLength_;
    length = std::clamp(bufferSize, 0, lastLength_);
    if (buffer && length > 0)
        std::memcpy(buffer, receiveBuffer_.data(), std::size_t(length));
    return length;
}

void TNMUDP::receivePending()
{
    QPointer<TNMUDP> self(this);
    QUdpSocket* const socket = socket_;
    // One event per datagram, each read into the receive buffer just before its
    // event, so a handler always reads the datagram it was told about.
    while (self && socket_ == socket && socket->hasPendingDatagrams()) {
        const qint64 pending = socket->pendingDatagramSize();
        const QNetworkDatagram datagram = socket->receiveDatagram(kReceiveBufferSize);
        const QHostAddress from = datagram.senderAddress();
        const quint16 fromPort = quint16(std::max(datagram.senderPort(), 0));
        const qint64 received = datagram.isValid() ? datagram.data().size() : -1;
        if (received > 0)
            std::memcpy(receiveBuffer_.data(), datagram.data().constData(), std::size_t(received));
        receivedInterface_ = datagram.interfaceIndex();
        // A datagram longer than the receive buffer is a failed receive, not a
        // silently shortened record.
        lastLength_ = (received >= 0 && pending > kReceiveBufferSize) ? -1 : int(received);
        if (OnDataReceived) {
            const TOnReceive handler = OnDataReceived;
            handler(this, lastLength_, dottedText(from), fromPort);
        }
        if (received < 0)
            break;
    }
}

}  // namespace quillmar
