// TNMUDP over real sockets on loopback: a peer socket in the test plays the module.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHostAddress>
#include <QUdpSocket>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "comm/core_application.h"
#include "comm/udp_endpoint.h"
#include "support/wait_until.h"

namespace quillmar {
namespace {

struct Received {
    int numberBytes;
    QString fromIp;
    int port;
    QByteArray read;  // what ReadDatagram gave the handler
    int readLength;
};

class UdpEndpointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(peer.bind(QHostAddress(QHostAddress::LocalHost), 0));
    }

    // Records every event and reads the datagram into a `readSize`-byte buffer.
    void recordReceives(TNMUDP& endpoint, int readSize = 256)
    {
        endpoint.OnDataReceived = [this, readSize](TNMUDP* sender, int numberBytes, const QString& fromIp, int port) {
            std::vector<char> buffer(std::size_t(readSize), '\0');
            int length = -99;
            const int result = sender->ReadDatagram(buffer.data(), readSize, length);
            EXPECT_EQ(result, length);
            received.push_back({numberBytes, fromIp, port, QByteArray(buffer.data(), std::max(0, length)), length});
        };
    }

    void sendFromPeer(const QByteArray& datagram, int port)
    {
        ASSERT_EQ(peer.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), quint16(port)), datagram.size());
    }

    QByteArray nextAtPeer(QHostAddress* from = nullptr, quint16* fromPort = nullptr)
    {
        if (!test::waitUntil([this] { return peer.hasPendingDatagrams(); }))
            return "<nothing>";
        QByteArray data(int(peer.pendingDatagramSize()), '\0');
        peer.readDatagram(data.data(), data.size(), from, fromPort);
        return data;
    }

    // Points the endpoint at the peer.
    void aimAtPeer(TNMUDP& endpoint, const QString& host = QStringLiteral("127.0.0.1"))
    {
        endpoint.setRemoteHost(host);
        endpoint.setRemotePort(peer.localPort());
    }

    QUdpSocket peer;
    std::vector<Received> received;
};

TEST_F(UdpEndpointTest, SendsToRemoteHostAndAnnouncesTheAnswerWithItsSender)
{
    TNMUDP endpoint;
    int sendEvents = 0;
    endpoint.OnDataSend = [&](TNMUDP* sender) {
        EXPECT_EQ(sender, &endpoint);
        ++sendEvents;
    };
    recordReceives(endpoint);
    aimAtPeer(endpoint);

    endpoint.SendDatagram(QByteArrayLiteral("\x55\x11\xAA"));
    EXPECT_EQ(sendEvents, 1);
    QHostAddress from;
    quint16 fromPort = 0;
    EXPECT_EQ(nextAtPeer(&from, &fromPort), QByteArrayLiteral("\x55\x11\xAA"));
    EXPECT_EQ(from, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(int(fromPort), endpoint.BoundPort());

    QByteArray answer(256, '\0');
    answer.replace(0, 6, "RX4200");
    sendFromPeer(answer, endpoint.BoundPort());
    ASSERT_TRUE(test::waitUntil([this] { return received.size() == 1; }));
    EXPECT_EQ(received[0].numberBytes, 256);
    EXPECT_EQ(received[0].fromIp, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(received[0].port, int(peer.localPort()));
    EXPECT_EQ(received[0].read, answer);
}

TEST_F(UdpEndpointTest, TwoDatagramsBeforeTheHandlerRunsAreEachAnnouncedAndReadWhole)
{
    TNMUDP endpoint;
    recordReceives(endpoint, 256);
    // Both are queued before the event loop runs: one longer than the handler's
    // buffer, one short.
    QByteArray first(300, '\0');
    for (int i = 0; i < first.size(); ++i)
        first[i] = char('A' + i % 26);
    sendFromPeer(first, endpoint.BoundPort());
    sendFromPeer("second", endpoint.BoundPort());

    ASSERT_TRUE(test::waitUntil([this] { return received.size() == 2; }));
    EXPECT_EQ(received[0].numberBytes, 300);
    EXPECT_EQ(received[0].readLength, 256);
    EXPECT_EQ(received[0].read, first.left(256));
    EXPECT_EQ(received[1].numberBytes, 6);
    EXPECT_EQ(received[1].readLength, 6);
    EXPECT_EQ(received[1].read, QByteArray("second"));
}

TEST_F(UdpEndpointTest, ReadDatagramNeverWritesPastTheCallersBuffer)
{
    TNMUDP endpoint;
    std::array<char, 16> guarded{};
    guarded.fill('#');
    int copied = 0;
    endpoint.OnDataReceived = [&](TNMUDP* sender, int, const QString&, int) {
        int length = 0;
        copied = sender->ReadDatagram(guarded.data(), 4, length);
    };
    sendFromPeer(QByteArray(2000, 'x'), endpoint.BoundPort());
    ASSERT_TRUE(test::waitUntil([&] { return copied != 0; }));
    EXPECT_EQ(copied, 4);
    EXPECT_EQ(std::string(guarded.data(), guarded.size()), std::string(4, 'x') + std::string(12, '#'));
}

TEST_F(UdpEndpointTest, ADatagramLongerThanTheReceiveBufferIsAFailedReceive)
{
    TNMUDP endpoint;
    recordReceives(endpoint);
    sendFromPeer(QByteArray(TNMUDP::kReceiveBufferSize + 1, 'x'), endpoint.BoundPort());
    sendFromPeer("after", endpoint.BoundPort());
    ASSERT_TRUE(test::waitUntil([this] { return received.size() == 2; }));
    EXPECT_LT(received[0].numberBytes, 0);
    EXPECT_LT(received[0].readLength, 0);
    EXPECT_TRUE(received[0].read.isEmpty());
    EXPECT_EQ(received[1].read, QByteArray("after"));
}

TEST_F(UdpEndpointTest, NullRemoteAddressSendsNothing)
{
    TNMUDP endpoint;
    int sendEvents = 0;
    endpoint.OnDataSend = [&](TNMUDP*) { ++sendEvents; };
    aimAtPeer(endpoint, QStringLiteral("0.0.0.0"));
    try {
        endpoint.SendDatagram(QByteArray("lost"));
        FAIL() << "no exception";
    } catch (const UDPSockError& error) {
        EXPECT_STREQ(error.what(), "Null Remote Address");
    }
    EXPECT_EQ(sendEvents, 0);
    // Linux would deliver a datagram sent to 0.0.0.0 locally: the first one the
    // peer sees must be the marker sent after.
    aimAtPeer(endpoint);
    endpoint.SendDatagram(QByteArray("marker"));
    EXPECT_EQ(nextAtPeer(), QByteArray("marker"));
}

TEST_F(UdpEndpointTest, ZeroLengthIsAnInvalidBufferUnlessTheHandlerSuppliesData)
{
    TNMUDP endpoint;
    aimAtPeer(endpoint);
    const char buffer[4] = {'a', 'b', 'c', 'd'};

    // Without a handler: a plain exception, not a socket error.
    try {
        endpoint.SendDatagram(buffer, 4, 0);
        FAIL() << "no exception";
    } catch (const UDPSockError&) {
        FAIL() << "Invalid buffer must not be a UDPSockError";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Invalid buffer");
    }

    // A handler that does not handle it, or handles it without a length.
    int calls = 0;
    endpoint.OnBufferInvalid = [&](bool& handled, QByteArray&, int&) {
        ++calls;
        handled = calls == 2;
    };
    EXPECT_THROW(endpoint.SendDatagram(buffer, 4, 0), std::runtime_error);
    EXPECT_THROW(endpoint.SendDatagram(buffer, 4, 0), std::runtime_error);
    EXPECT_EQ(calls, 2);

    // A handler that supplies data: that data is sent.
    endpoint.OnBufferInvalid = [](bool& handled, QByteArray& data, int& length) {
        EXPECT_EQ(data, QByteArray("abcd"));
        data = "filled";
        length = 6;
        handled = true;
    };
    endpoint.SendDatagram(buffer, 4, 0);
    EXPECT_EQ(nextAtPeer(), QByteArray("filled"));

    // A length the buffer does not hold is refused, the handler notwithstanding.
    EXPECT_THROW(endpoint.SendDatagram(buffer, 4, 5), std::runtime_error);
}

TEST_F(UdpEndpointTest, HostLookupIsRetriedOnceThroughOnInvalidHost)
{
    TNMUDP endpoint;
    // An empty name fails at once, with no query leaving the machine.
    aimAtPeer(endpoint, QString());
    try {
        endpoint.SendDatagram(QByteArray("x"));
        FAIL() << "no exception";
    } catch (const UDPSockError& error) {
        EXPECT_STREQ(error.what(), "Host Lookup Canceled");
    }

    int calls = 0;
    endpoint.OnInvalidHost = [&](bool& handled) {
        ++calls;
        handled = true;  // handled, but the host stays unusable
    };
    EXPECT_THROW(endpoint.SendDatagram(QByteArray("x")), UDPSockError);
    EXPECT_EQ(calls, 1);

    calls = 0;
    endpoint.OnInvalidHost = [&](bool& handled) {
        ++calls;
        endpoint.setRemoteHost(QStringLiteral("127.0.0.1"));
        handled = true;
    };
    endpoint.SendDatagram(QByteArray("retried"));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(nextAtPeer(), QByteArray("retried"));

    // Not handled: canceled without a second lookup.
    calls = 0;
    aimAtPeer(endpoint, QString());
    endpoint.OnInvalidHost = [&](bool&) { ++calls; };
    EXPECT_THROW(endpoint.SendDatagram(QByteArray("x")), UDPSockError);
    EXPECT_EQ(calls, 1);
}

TEST_F(UdpEndpointTest, WritingLocalPortRebuildsTheSocketEveryTime)
{
    // A free port, found by binding and letting go.
    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
    const int port = probe.localPort();
    probe.close();

    TNMUDP endpoint;
    recordReceives(endpoint);
    endpoint.setLocalPort(port);
    EXPECT_TRUE(endpoint.Bound());
    EXPECT_EQ(endpoint.BoundPort(), port);

    // A datagram waiting on the socket is gone when the same port is written
    // again: the socket is a new one.
    sendFromPeer("old socket", port);
    endpoint.setLocalPort(port);
    EXPECT_TRUE(endpoint.Bound());
    EXPECT_EQ(endpoint.LocalPort(), port);
    sendFromPeer("new socket", port);
    ASSERT_TRUE(test::waitUntil([this] { return !received.empty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].read, QByteArray("new socket"));
}

TEST_F(UdpEndpointTest, AHandlerThatRebindsDropsWhatTheOldSocketHeld)
{
    TNMUDP endpoint;
    std::vector<QByteArray> seen;
    endpoint.OnDataReceived = [&](TNMUDP* sender, int, const QString&, int) {
        char buffer[16] = {};
        int length = 0;
        sender->ReadDatagram(buffer, sizeof buffer, length);
        seen.emplace_back(buffer, length);
        sender->setLocalPort(0);
    };
    const int port = endpoint.BoundPort();
    sendFromPeer("one", port);
    sendFromPeer("two", port);
    ASSERT_TRUE(test::waitUntil([&] { return !seen.empty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], QByteArray("one"));
    EXPECT_NE(endpoint.BoundPort(), port);
}

TEST_F(UdpEndpointTest, ATakenLocalPortIsSilentAndSendingStillWorks)
{
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QAbstractSocket::DontShareAddress));
    TNMUDP endpoint;
    endpoint.setLocalPort(holder.localPort());
    EXPECT_FALSE(endpoint.Bound());
    EXPECT_NE(endpoint.BoundPort(), int(holder.localPort()));
    aimAtPeer(endpoint);
    endpoint.SendDatagram(QByteArray("still"));
    quint16 fromPort = 0;
    EXPECT_EQ(nextAtPeer(nullptr, &fromPort), QByteArray("still"));
    EXPECT_EQ(int(fromPort), endpoint.BoundPort());
}

TEST_F(UdpEndpointTest, NeverSendsABroadcastAndSaysSo)
{
    // 127.255.255.255 is the loopback interface's broadcast address: a socket
    // allowed to broadcast would reach the peer listening on every address.
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
    TNMUDP endpoint;
    endpoint.setRemotePort(listener.localPort());
    endpoint.setRemoteHost(QStringLiteral("127.255.255.255"));
    EXPECT_THROW(endpoint.SendDatagram(QByteArray("broadcast")), UDPSockError);
    endpoint.setRemoteHost(QStringLiteral("127.0.0.1"));
    endpoint.SendDatagram(QByteArray("unicast"));
    ASSERT_TRUE(test::waitUntil([&] { return listener.hasPendingDatagrams(); }));
    QByteArray first(int(listener.pendingDatagramSize()), '\0');
    listener.readDatagram(first.data(), first.size());
    EXPECT_EQ(first, QByteArray("unicast"));
}

TEST_F(UdpEndpointTest, StatusTextsAreReportedUpToReportLevel)
{
    TNMUDP endpoint;
    QStringList statuses;
    endpoint.OnStatus = [&](TNMUDP*, const QString& status) { statuses << status; };
    aimAtPeer(endpoint);
    endpoint.SendDatagram(QByteArray("quiet"));
    EXPECT_TRUE(statuses.isEmpty());  // the default level 1 reports nothing

    endpoint.setReportLevel(2);
    endpoint.SendDatagram(QByteArray("loud"));
    EXPECT_EQ(statuses, QStringList{QStringLiteral("Sending Data")});
    EXPECT_EQ(endpoint.Status(), QStringLiteral("Sending Data"));
}

TEST_F(UdpEndpointTest, PortsOutsideTheRangeAreRefused)
{
    TNMUDP endpoint;
    EXPECT_THROW(endpoint.setRemotePort(65536), UDPSockError);
    EXPECT_THROW(endpoint.setLocalPort(-1), UDPSockError);
}

}  // namespace
}  // namespace quillmar
