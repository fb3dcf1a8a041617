#include "command_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bound_socket.h"
#include "command_session.h"
#include "module_record.h"
#include "record/ipv4_text.h"
#include "record/module_protocol.h"

namespace quillmar::sim {

struct CommandPorts::Listener {
    SessionBehaviour behaviour;
    int fd = -1;
};

struct CommandPorts::Client {
    const SessionBehaviour* behaviour = nullptr;
    int fd = -1;
    std::unique_ptr<CommandSession> session;
};

std::optional<SessionBehaviour> parseSessionOption(const std::string& option, std::string& error)
{
    const std::optional<OptionPairs> pairs = splitPairs(option, error);
    if (!pairs)
        return std::nullopt;
    static const std::map<std::string, LoginReply> logins{
        {"check", LoginReply::Check},   {"refuse", LoginReply::Refuse},       {"okplus", LoginReply::OkPlus},
        {"empty", LoginReply::Empty},   {"nopercent", LoginReply::NoPercent}, {"lfonly", LoginReply::LfOnly},
        {"silent", LoginReply::Silent},
    };
    SessionBehaviour behaviour;
    bool haveAddress = false;
    for (const auto& [key, value] : *pairs) {
        if (key == "address") {
            const std::optional<std::uint32_t> address = parseIpv4(value);
            if (!address) {
                error = "--session address needs a dotted IPv4 address, got '" + value + "'";
                return std::nullopt;
            }
            behaviour.address = *address;
            haveAddress = true;
        } else if (key == "password") {
            behaviour.password = value;
        } else if (key == "login") {
            const auto found = logins.find(value);
            if (found == logins.end()) {
                error = "--session login must be check, refuse, okplus, empty, nopercent, lfonly or silent";
                return std::nullopt;
            }
            behaviour.login = found->second;
        } else if (key == "command") {
            if (value != "answer" && value != "silent") {
                error = "--session command must be answer or silent";
                return std::nullopt;
            }
            behaviour.answerCommands = value == "answer";
        } else {
            error = "unknown --session key '" + key + "'";
            return std::nullopt;
        }
    }
    if (!haveAddress) {
        error = "--session needs address=";
        return std::nullopt;
    }
    return behaviour;
}

std::string escapedBytes(const std::string& bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x21 || byte > 0x7E || byte == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            text += hex;
        } else {
            text += c;
        }
    }
    return text;
}

CommandPorts::CommandPorts(RequestLog& log, EventLoop& loop, HandOver handOver)
    : log_(log), loop_(loop), handOver_(std::move(handOver))
{
}

CommandPorts::~CommandPorts()
{
    for (auto& [fd, client] : clients_)
        ::close(fd);
    for (const auto& listener : listeners_)
        ::close(listener->fd);
}

bool CommandPorts::open(const std::vector<SessionBehaviour>& behaviours, std::string& error)
{
    for (const SessionBehaviour& behaviour : behaviours) {
        auto listener = std::make_unique<Listener>();
        listener->behaviour = behaviour;
        listener->fd = listeningSocket(behaviour.address, kCommandPort);
        if (listener->fd < 0) {
            error = "cannot listen on " + endpointText(behaviour.address, kCommandPort) + ": " + std::strerror(errno);
            return false;
        }
        Listener& served = *listener;
        loop_.watch(served.fd, [this, &served] { accept(served); });
        listeners_.push_back(std::move(listener));
    }
    return true;
}

void CommandPorts::accept(Listener& listener)
{
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(listener.fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    auto client = std::make_unique<Client>();
    client->behaviour = &listener.behaviour;
    client->fd = fd;
    client->session = std::make_unique<CommandSession>(
        listener.behaviour, log_, endpointText(ntohl(peer.sin_addr.s_addr), ntohs(peer.sin_port)),
        [this](std::uint32_t module) {
            if (handOver_)
                handOver_(module);
        },
        [this](std::uint32_t module) {
            if (webUploadReady_)
                webUploadReady_(module);
        });
    log_.write("session-open", "module=" + formatIpv4(listener.behaviour.address) + " from=" + client->session->peer());
    clients_[fd] = std::move(client);
    loop_.watch(fd, [this, fd] { serve(fd); });
}

void CommandPorts::serve(int fd)
{
    const auto found = clients_.find(fd);
    if (found == clients_.end())
        return;
    Client& client = *found->second;
    char buffer[512];
    const ssize_t length = ::recv(fd, buffer, sizeof buffer, 0);
    if (length < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (length <= 0) {
        log_.write("session-closed",
                   "module=" + formatIpv4(client.behaviour->address) + " from=" + client.session->peer());
        drop(fd);
        return;
    }
    for (const std::string& bytes : client.session->receive(std::string_view(buffer, std::size_t(length))))
        reply(client, bytes);
}

void CommandPorts::reply(Client& client, const std::string& bytes)
{
    // One send, so that the reply arrives in one piece.
    (void)::send(client.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

void CommandPorts::drop(int fd)
{
    loop_.unwatch(fd);
    ::close(fd);
    clients_.erase(fd);
}

}  // namespace quillmar::sim
