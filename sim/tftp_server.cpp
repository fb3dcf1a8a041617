#include "tftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "bound_socket.h"
#include "command_port.h"
#include "module_record.h"
#include "record/ipv4_text.h"
#include "record/module_protocol.h"
#include "tftp_transfer.h"

namespace quillmar::sim {
namespace {

constexpr std::uint16_t kOpAck = 4;
constexpr std::uint16_t kOpError = 5;

std::string packet16(std::uint16_t opcode, std::uint16_t value)
{
    return {static_cast<char>(opcode >> 8), static_cast<char>(opcode & 0xFF), static_cast<char>(value >> 8),
            static_cast<char>(value & 0xFF)};
}

std::uint16_t localPort(int fd)
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

std::string peerText(const sockaddr_in& peer)
{
    return endpointText(ntohl(peer.sin_addr.s_addr), ntohs(peer.sin_port));
}

void sendTo(int fd, const sockaddr_in& to, const std::string& bytes)
{
    (void)::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void sendError(int fd, const sockaddr_in& to, std::uint16_t code, const std::string& text)
{
    std::string bytes = packet16(kOpError, code) + text;
    bytes.push_back('\0');
    sendTo(fd, to, bytes);
}

}  // namespace

struct TftpServers::Transfer {
    explicit Transfer(std::optional<std::uint64_t> size) : receiver(size) {}
    Server* server = nullptr;
    int fd = -1;       // the transfer's own port
    int otherFd = -1;  // yet another port (fault otherport)
    sockaddr_in client{};
    TftpImageReceiver receiver;
};

struct TftpServers::Server {
    TftpSetup setup;
    int fd = -1;
    bool ready = false;
    std::unique_ptr<Transfer> transfer;
};

std::optional<TftpSetup> parseTftpOption(const std::string& option, std::string& error)
{
    const std::optional<OptionPairs> pairs = splitPairs(option, error);
    if (!pairs)
        return std::nullopt;
    static const std::map<std::string, TftpFault> faults{{"none", TftpFault::None},
                                                         {"silent", TftpFault::Silent},
                                                         {"duplicate", TftpFault::Duplicate},
                                                         {"error", TftpFault::Error},
                                                         {"otherport", TftpFault::OtherPort}};
    TftpSetup setup;
    bool haveAddress = false;
    for (const auto& [key, value] : *pairs) {
        if (key == "address") {
            const std::optional<std::uint32_t> address = parseIpv4(value);
            if (!address) {
                error = "--tftp address needs a dotted IPv4 address, got '" + value + "'";
                return std::nullopt;
            }
            setup.address = *address;
            haveAddress = true;
        } else if (key == "image") {
            setup.imagePath = value;
        } else if (key == "armed") {
            if (value != "sycn" && value != "always") {
                error = "--tftp armed must be sycn or always";
                return std::nullopt;
            }
            setup.needsCommand = value == "sycn";
        } else if (key == "fault") {
            const auto found = faults.find(value);
            if (found == faults.end()) {
                error = "--tftp fault must be none, silent, duplicate, error or otherport";
                return std::nullopt;
            }
            setup.fault = found->second;
        } else if (key == "faultBlock") {
            char* end = nullptr;
            const long block = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || block < 0 || block > 1000000) {
                error = "--tftp faultBlock must be a number from 0 to 1000000";
                return std::nullopt;
            }
            setup.faultBlock = static_cast<int>(block);
        } else {
            error = "unknown --tftp key '" + key + "'";
            return std::nullopt;
        }
    }
    if (!haveAddress) {
        error = "--tftp needs address=";
        return std::nullopt;
    }
    return setup;
}

TftpServers::TftpServers(RequestLog& log, EventLoop& loop) : log_(log), loop_(loop)
{
}

TftpServers::~TftpServers()
{
    for (const auto& server : servers_) {
        endTransfer(*server);
        ::close(server->fd);
    }
}

bool TftpServers::open(const std::vector<TftpSetup>& setups, std::string& error)
{
    for (const TftpSetup& setup : setups) {
        auto server = std::make_unique<Server>();
        server->setup = setup;
        server->fd = boundSocket(SOCK_DGRAM, setup.address, kTftpPort);
        if (server->fd < 0) {
            error = "cannot listen on " + endpointText(setup.address, kTftpPort) + ": " + std::strerror(errno);
            return false;
        }
        Server& served = *server;
        loop_.watch(served.fd, [this, &served] { takeRequest(served); });
        servers_.push_back(std::move(server));
    }
    return true;
}

void TftpServers::makeReady(std::uint32_t moduleAddress)
{
    for (const auto& server : servers_) {
        if (server->setup.address == moduleAddress) {
            server->ready = true;
            log_.write("tftp-ready", "module=" + formatIpv4(moduleAddress));
        }
    }
}

void TftpServers::endTransfer(Server& server)
{
    if (!server.transfer)
        return;
    for (const int fd : {server.transfer->fd, server.transfer->otherFd}) {
        if (fd >= 0) {
            loop_.unwatch(fd);
            ::close(fd);
        }
    }
    server.transfer.reset();
}

void TftpServers::takeRequest(Server& server)
{
    char buffer[1024];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t length = ::recvfrom(server.fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                                      &fromLength);
    if (length <= 0)
        return;
    const std::string_view packet(buffer, static_cast<std::size_t>(length));
    const std::string module = "module=" + formatIpv4(server.setup.address) + " from=" + peerText(from);
    const std::optional<TftpWriteRequest> request = parseTftpWriteRequest(packet);
    if (!request) {
        log_.write("tftp-unexpected", module + " len=" + std::to_string(packet.size()));
        sendError(server.fd, from, 4, "write requests only");
        return;
    }
    std::string options;
    for (const auto& [name, value] : request->options)
        options += " " + escapedBytes(lowered(name)) + "=" + escapedBytes(value);
    log_.write("tftp-request", module + " len=" + std::to_string(packet.size()) + " file=" + escapedBytes(request->name)
                                   + " mode=" + escapedBytes(request->mode) + options);
    if (server.setup.needsCommand && !server.ready) {
        log_.write("tftp-ignored", module + " reason=no-sycn");
        return;
    }
    if (lowered(request->mode) != "octet") {
        sendError(server.fd, from, 0, "octet mode only");
        return;
    }

    endTransfer(server);
    auto transfer = std::make_unique<Transfer>(request->size);
    transfer->server = &server;
    transfer->client = from;
    transfer->fd = boundSocket(SOCK_DGRAM, server.setup.address, 0);
    if (transfer->fd < 0) {
        log_.write("tftp-failed", module + " reason=" + escapedBytes(std::strerror(errno)));
        return;
    }
    Transfer& served = *transfer;
    server.transfer = std::move(transfer);
    loop_.watch(served.fd, [this, &served] { takeData(served); });

    const TftpSetup& setup = server.setup;
    if (setup.faultBlock == 0 && setup.fault == TftpFault::Silent) {
        log_.write("tftp-fault", module + " kind=silent block=0");
        return;
    }
    if (setup.faultBlock == 0 && setup.fault == TftpFault::Error) {
        log_.write("tftp-fault", module + " kind=error block=0");
        sendError(served.fd, from, 2, "access violation");
        return;
    }
    acknowledge(served, 0);
}

void TftpServers::acknowledge(Transfer& transfer, std::uint16_t block)
{
    const TftpSetup& setup = transfer.server->setup;
    int fd = transfer.fd;
    // The request's acknowledgement names the transfer's port; only data
    // blocks are answered from elsewhere.
    if (setup.fault == TftpFault::OtherPort && transfer.receiver.blocks() > 0
        && transfer.receiver.blocks() >= setup.faultBlock) {
        if (transfer.otherFd < 0)
            transfer.otherFd = boundSocket(SOCK_DGRAM, setup.address, 0);
        fd = transfer.otherFd;
    }
    sendTo(fd, transfer.client, packet16(kOpAck, block));
    log_.write("tftp-ack", "module=" + formatIpv4(setup.address) + " block=" + std::to_string(block) + " from="
                               + endpointText(setup.address, localPort(fd)) + " to=" + peerText(transfer.client));
}

void TftpServers::takeData(Transfer& transfer)
{
    char buffer[kTftpBlockBytes + 64];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t length = ::recvfrom(transfer.fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                                      &fromLength);
    if (length < 0)
        return;
    const TftpSetup& setup = transfer.server->setup;
    const std::string module = "module=" + formatIpv4(setup.address);
    if (from.sin_addr.s_addr != transfer.client.sin_addr.s_addr || from.sin_port != transfer.client.sin_port) {
        log_.write("tftp-stranger", module + " from=" + peerText(from));
        sendError(transfer.fd, from, 5, "unknown transfer ID");
        return;
    }
    const std::string_view packet(buffer, static_cast<std::size_t>(length));
    TftpImageReceiver& receiver = transfer.receiver;
    const TftpImageReceiver::Block block = receiver.classify(packet);
    if (block.kind == TftpImageReceiver::Kind::NotData) {
        log_.write("tftp-unexpected", module + " from=" + peerText(from) + " len=" + std::to_string(packet.size()));
        return;
    }
    const std::string details = module + " block=" + std::to_string(block.number)
                                + " len=" + std::to_string(block.data.size())
                                + " to=" + endpointText(setup.address, localPort(transfer.fd));
    switch (block.kind) {
    case TftpImageReceiver::Kind::Again:
        log_.write("tftp-again", details);
        acknowledge(transfer, block.number);
        return;
    case TftpImageReceiver::Kind::OutOfOrder:
        log_.write("tftp-unexpected", details);
        return;
    case TftpImageReceiver::Kind::AfterEnd:
        // A client that ends every transfer with a short block sends an empty
        // one after a last full block.
        log_.write(block.data.empty() ? "tftp-end" : "tftp-extra", details);
        receiver.pass();
        acknowledge(transfer, block.number);
        return;
    case TftpImageReceiver::Kind::TooLarge:
        log_.write("tftp-too-large", details);
        sendError(transfer.fd, transfer.client, 3, "disk full");
        return;
    default:
        break;
    }
    const int index = receiver.blocks() + 1;
    if (index == setup.faultBlock && setup.fault == TftpFault::Silent) {
        log_.write("tftp-fault", details + " kind=silent");
        return;
    }
    if (index == setup.faultBlock && setup.fault == TftpFault::Error) {
        log_.write("tftp-fault", details + " kind=error");
        sendError(transfer.fd, transfer.client, 3, "disk full");
        return;
    }
    const bool complete = receiver.take(block);
    log_.write("tftp-block", details);
    if (index == setup.faultBlock && setup.fault == TftpFault::Duplicate) {
        log_.write("tftp-fault", details + " kind=duplicate");
        acknowledge(transfer, static_cast<std::uint16_t>(block.number - 1));
        return;
    }
    acknowledge(transfer, block.number);
    if (complete)
        finish(transfer);
}

void TftpServers::finish(Transfer& transfer)
{
    Server& server = *transfer.server;
    const std::string& image = transfer.receiver.image();
    std::string stored = "none";
    if (!server.setup.imagePath.empty()) {
        const std::string partial = server.setup.imagePath + ".part";
        std::ofstream(partial, std::ios::binary | std::ios::trunc) << image;
        stored = std::rename(partial.c_str(), server.setup.imagePath.c_str()) == 0 ? server.setup.imagePath : "failed";
    }
    log_.write("tftp-image", "module=" + formatIpv4(server.setup.address) + " bytes=" + std::to_string(image.size())
                                 + " blocks=" + std::to_string(transfer.receiver.blocks())
                                 + " file=" + escapedBytes(stored));
    // A module takes one image per "$SYCN".
    if (server.setup.needsCommand)
        server.ready = false;
}

}  // namespace quillmar::sim
