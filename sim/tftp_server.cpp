#include "tftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "command_port.h"
#include "module_record.h"
#include "record/ipv4_text.h"

namespace quillmar::sim {
namespace {

constexpr std::uint16_t kTftpPort = 69;
constexpr std::size_t kBlockBytes = 512;
constexpr std::uint16_t kOpWrite = 2;
constexpr std::uint16_t kOpData = 3;
constexpr std::uint16_t kOpAck = 4;
constexpr std::uint16_t kOpError = 5;

std::uint16_t number16(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[at]) << 8)
                                      | static_cast<unsigned char>(bytes[at + 1]));
}

std::string packet16(std::uint16_t opcode, std::uint16_t value)
{
    return {static_cast<char>(opcode >> 8), static_cast<char>(opcode & 0xFF), static_cast<char>(value >> 8),
            static_cast<char>(value & 0xFF)};
}

int boundSocket(std::uint32_t address, std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
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

// The NUL-ended texts of a request after its opcode.
std::vector<std::string> requestTexts(const std::string& packet)
{
    std::vector<std::string> texts;
    std::size_t start = 2;
    while (start < packet.size()) {
        const std::size_t end = packet.find('\0', start);
        if (end == std::string::npos)
            break;
        texts.push_back(packet.substr(start, end - start));
        start = end + 1;
    }
    return texts;
}

std::string lowered(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

struct TftpServers::Transfer {
    Server* server = nullptr;
    int fd = -1;       // the transfer's own port
    int otherFd = -1;  // yet another port (fault otherport)
    sockaddr_in client{};
    std::optional<std::uint64_t> size;  // from "tsize"
    std::uint16_t expected = 1;
    int blocks = 0;
    std::string image;
    bool complete = false;
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
        server->fd = boundSocket(setup.address, kTftpPort);
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
    const std::string packet(buffer, static_cast<std::size_t>(length));
    const std::string module = "module=" + formatIpv4(server.setup.address) + " from=" + peerText(from);
    if (packet.size() < 4 || number16(packet, 0) != kOpWrite) {
        log_.write("tftp-unexpected", module + " len=" + std::to_string(packet.size()));
        sendError(server.fd, from, 4, "write requests only");
        return;
    }
    const std::vector<std::string> texts = requestTexts(packet);
    const std::string name = texts.empty() ? std::string() : texts[0];
    const std::string mode = texts.size() > 1 ? texts[1] : std::string();
    std::optional<std::uint64_t> size;
    std::string options;
    for (std::size_t i = 2; i + 1 < texts.size(); i += 2) {
        options += " " + escapedBytes(lowered(texts[i])) + "=" + escapedBytes(texts[i + 1]);
        if (lowered(texts[i]) == "tsize")
            size = std::strtoull(texts[i + 1].c_str(), nullptr, 10);
    }
    log_.write("tftp-request", module + " len=" + std::to_string(packet.size()) + " file=" + escapedBytes(name)
                                   + " mode=" + escapedBytes(mode) + options);
    if (server.setup.needsCommand && !server.ready) {
        log_.write("tftp-ignored", module + " reason=no-sycn");
        return;
    }
    if (lowered(mode) != "octet") {
        sendError(server.fd, from, 0, "octet mode only");
        return;
    }

    endTransfer(server);
    auto transfer = std::make_unique<Transfer>();
    transfer->server = &server;
    transfer->client = from;
    transfer->size = size;
    transfer->fd = boundSocket(server.setup.address, 0);
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
    if (setup.fault == TftpFault::OtherPort && transfer.blocks > 0 && transfer.blocks >= setup.faultBlock) {
        if (transfer.otherFd < 0)
            transfer.otherFd = boundSocket(setup.address, 0);
        fd = transfer.otherFd;
    }
    sendTo(fd, transfer.client, packet16(kOpAck, block));
    log_.write("tftp-ack", "module=" + formatIpv4(setup.address) + " block=" + std::to_string(block) + " from="
                               + endpointText(setup.address, localPort(fd)) + " to=" + peerText(transfer.client));
}

void TftpServers::takeData(Transfer& transfer)
{
    char buffer[kBlockBytes + 64];
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
    const std::string packet(buffer, static_cast<std::size_t>(length));
    if (packet.size() < 4 || number16(packet, 0) != kOpData || packet.size() > kBlockBytes + 4) {
        log_.write("tftp-unexpected", module + " from=" + peerText(from) + " len=" + std::to_string(packet.size()));
        return;
    }
    const std::uint16_t block = number16(packet, 2);
    const std::size_t dataBytes = packet.size() - 4;
    const std::string details = module + " block=" + std::to_string(block) + " len=" + std::to_string(dataBytes)
                                + " to=" + endpointText(setup.address, localPort(transfer.fd));
    if (block == static_cast<std::uint16_t>(transfer.expected - 1)) {
        log_.write("tftp-again", details);
        acknowledge(transfer, block);
        return;
    }
    if (block != transfer.expected) {
        log_.write("tftp-unexpected", details);
        return;
    }
    if (transfer.complete) {
        // A client that ends every transfer with a short block sends an empty
        // one after a last full block.
        log_.write(dataBytes == 0 ? "tftp-end" : "tftp-extra", details);
        ++transfer.expected;
        acknowledge(transfer, block);
        return;
    }
    const int index = transfer.blocks + 1;
    if (index == setup.faultBlock && setup.fault == TftpFault::Silent) {
        log_.write("tftp-fault", details + " kind=silent");
        return;
    }
    if (index == setup.faultBlock && setup.fault == TftpFault::Error) {
        log_.write("tftp-fault", details + " kind=error");
        sendError(transfer.fd, transfer.client, 3, "disk full");
        return;
    }
    transfer.image.append(packet, 4, dataBytes);
    transfer.blocks = index;
    ++transfer.expected;
    log_.write("tftp-block", details);
    if (index == setup.faultBlock && setup.fault == TftpFault::Duplicate) {
        log_.write("tftp-fault", details + " kind=duplicate");
        acknowledge(transfer, static_cast<std::uint16_t>(block - 1));
        return;
    }
    acknowledge(transfer, block);
    if (dataBytes < kBlockBytes || (transfer.size && transfer.image.size() >= *transfer.size))
        finish(transfer);
}

void TftpServers::finish(Transfer& transfer)
{
    Server& server = *transfer.server;
    transfer.complete = true;
    std::string stored = "none";
    if (!server.setup.imagePath.empty()) {
        const std::string partial = server.setup.imagePath + ".part";
        std::ofstream(partial, std::ios::binary | std::ios::trunc) << transfer.image;
        stored = std::rename(partial.c_str(), server.setup.imagePath.c_str()) == 0 ? server.setup.imagePath : "failed";
    }
    log_.write("tftp-image", "module=" + formatIpv4(server.setup.address)
                                 + " bytes=" + std::to_string(transfer.image.size())
                                 + " blocks=" + std::to_string(transfer.blocks) + " file=" + escapedBytes(stored));
    // A module takes one image per "$SYCN".
    if (server.setup.needsCommand)
        server.ready = false;
}

}  // namespace quillmar::sim
