#pragma once
// TNMUDP: the UDP endpoint a window places on itself to exchange datagrams with a
// printer module. One socket bound to LocalPort on every interface; SendDatagram
// sends a buffer to RemoteHost:RemotePort; each arriving datagram is announced by
// OnDataReceived on the thread that owns the component, and the handler copies it
// out with ReadDatagram.
//
// Events are plain handlers (std::function): a window assigns the ones it wants,
// and "assigned or not" decides what the component does (OnBufferInvalid,
// OnInvalidHost).
#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>

class QUdpSocket;

namespace quillmar {

// Socket failures and a remote host that cannot be used.
class UDPSockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TNMUDP : public QObject {
    Q_OBJECT

public:
    using TOnReceive = std::function<void(TNMUDP* Sender, int NumberBytes, const QString& FromIP, int Port)>;
    using TNotifyEvent = std::function<void(TNMUDP* Sender)>;
    using TOnStatus = std::function<void(TNMUDP* Sender, const QString& status)>;
    using THandlerEvent = std::function<void(bool& handled)>;
    // Buff starts as a copy of the caller's buffer; the handler may change or
    // resize it and set length, and what it leaves there is what is sent.
    using TBuffInvalid = std::function<void(bool& handled, QByteArray& Buff, int& length)>;

    static constexpr int kReceiveBufferSize = 2048;

    // Status levels: a text is reported when ReportLevel is at least its level.
    static constexpr int kLevelSending = 2;
    static constexpr int kLevelInitializing = 8;
    static constexpr int kLevelLookingUpError = 8;
    static constexpr int kLevelCheckingError = 16;

    // Creates the socket and binds it to LocalPort (0 until written).
    // Throws UDPSockError when no socket can be created.
    explicit TNMUDP(QObject* owner = nullptr);
    ~TNMUDP() override;

    QString RemoteHost() const { return remoteHost_; }
    void setRemoteHost(const QString& host) { remoteHost_ = host; }
    int RemotePort() const { return remotePort_; }
    void setRemotePort(int port);
    int LocalPort() const { return localPort_; }
    // Closes the socket and binds a new one, every time, even to the same port.
    void setLocalPort(int port);
    // Closes the socket without binding another and sets LocalPort to 0: an
    // owner that is only hidden gives its port and descriptor back. Nothing is
    // heard (and SendDatagram sends nothing) until LocalPort is set again.
    void closeSocket();
    bool hasSocket() const { return socket_ != nullptr; }
    int ReportLevel() const { return reportLevel_; }
    void setReportLevel(int level) { reportLevel_ = level; }

    // The last status text that was reported.
    QString Status() const { return status_; }
    // False when the last bind to LocalPort failed (for example the port is held by
    // another socket). Sending still works, from a port the system picks, and the
    // component then hears only answers to that port.
    bool Bound() const { return bound_; }
    // The local port the socket actually has (useful when LocalPort is 0).
    int BoundPort() const;

    // Sends `length` bytes of `buffer` as one datagram. A length of 0 asks
    // OnBufferInvalid for data; a length the buffer cannot hold is refused.
    // Throws std::runtime_error "Invalid buffer", or UDPSockError "Host Lookup
    // Canceled" / "Null Remote Address".
    void SendDatagram(const char* buffer, int bufferSize, int length);
    void SendDatagram(const QByteArray& data) { SendDatagram(data.constData(), int(data.size()), int(data.size())); }

    // Copies the datagram announced by the current OnDataReceived into `buffer`,
    // never more than `bufferSize` bytes. Returns (and stores in `length`) the number
    // of bytes copied, or the negative count of a failed receive.
    int ReadDatagram(char* buffer, int bufferSize, int& length);

    // The interface the next sends go out of (0: the routing table's choice),
    // for two modules that have one address on two of the PC's networks.
    void setSendInterface(unsigned interfaceIndex) { sendInterface_ = interfaceIndex; }
    // The interface the datagram announced by the current OnDataReceived
    // arrived on (0 when the system did not say).
    unsigned ReceivedInterface() const { return receivedInterface_; }

    TOnReceive OnDataReceived;
    TNotifyEvent OnDataSend;
    TOnStatus OnStatus;
    THandlerEvent OnInvalidHost;
    TBuffInvalid OnBufferInvalid;

private:
    void report(int level, const QString& text);
    // Raises UDPSockError for `errorNumber` unless it is the tolerated would-block.
    void checkError(int errorNumber);
    // A new IPv4 datagram descriptor; raises UDPSockError when there is none
    // (the would-block code excepted, which leaves -1).
    int createSocket();
    // Binds the descriptor to LocalPort and hands it to a new QUdpSocket.
    void bindSocket(int descriptor);
    std::uint32_t resolveRemoteHost();
    bool lookUpHost(const QString& name, std::uint32_t& address);
    void receivePending();

    QUdpSocket* socket_ = nullptr;
    QString remoteHost_;
    int remotePort_ = 0;
    int localPort_ = 0;
    int reportLevel_ = 1;
    QString status_;
    int lastError_ = 0;
    bool bound_ = false;
    std::array<char, kReceiveBufferSize> receiveBuffer_{};
    int lastLength_ = 0;
    unsigned sendInterface_ = 0;
    unsigned receivedInterface_ = 0;
};

}  // namespace quillmar
