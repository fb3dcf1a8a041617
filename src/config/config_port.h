#pragma once
// The PC's configuration port: local UDP port 6000, from which every read and
// save goes to a module and on which every module answers. A PC has one such
// port, so the program has one endpoint on it that all its users share (each
// configuration window, "ReFresh", the command line's many-module save); each
// user listens to every datagram and keeps the ones from the module it talks to.
//
// The port is bound at the first send (or open()) and given back when the last
// listener leaves, so that another program can use it while nobody here does.
// A port held by another program is never worked around by sending from some
// other port: a module answers to the port it was asked from, and a save whose
// header and record come from two ports is not stored.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "record/module_protocol.h"

namespace quillmar {

class TNMUDP;

class ConfigPort {
public:
    // `interfaceIndex`: the PC's interface the datagram came in on (0: not known).
    using Listener =
        std::function<void(const QByteArray& datagram, const QString& fromAddress, unsigned interfaceIndex)>;

    // Hears the port's datagrams while it lives; move-only.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&& other) noexcept;
        Subscription& operator=(Subscription&& other) noexcept;
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;
        ~Subscription() { reset(); }
        void reset();
        bool active() const { return port_ != nullptr; }

    private:
        friend class ConfigPort;
        Subscription(ConfigPort* port, int id) : port_(port), id_(id) {}
        ConfigPort* port_ = nullptr;
        int id_ = 0;
    };

    // The program's one endpoint on the port.
    static ConfigPort& shared();

    ConfigPort();
    ~ConfigPort();
    ConfigPort(const ConfigPort&) = delete;
    ConfigPort& operator=(const ConfigPort&) = delete;

    [[nodiscard]] Subscription listen(Listener listener);

    // Binds the port unless it is bound already; the message to show when
    // another program holds it (or no socket can be made), nothing when open.
    std::optional<QString> open();
    bool isOpen() const;

    // One datagram from the port to `address`:`port`, opening the port first;
    // out of `interfaceIndex` when given (two modules with one address on two
    // networks), else where the routing table sends it. Throws UDPSockError
    // with open()'s message when the port cannot be had, or the endpoint's own
    // refusal ("Null Remote Address", ...).
    void send(const QString& address, quint16 port, const QByteArray& datagram, unsigned interfaceIndex = 0);

private:
    void deliver(const QByteArray& datagram, const QString& fromAddress, unsigned interfaceIndex);
    void remove(int id);

    std::unique_ptr<TNMUDP> udp_;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextId_ = 1;
};

}  // namespace quillmar
