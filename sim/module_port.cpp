#include "module_port.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "event_loop.h"
#include "record/ipv4_text.h"

namespace quillmar::sim {
namespace {

constexpr std::size_t kReceiveBuffer = 2048;

}  // namespace

ModulePort::~ModulePort()
{
    for (int socket : sockets_)
        ::close(socket);
}

bool ModulePort::open(const std::vector<std::uint32_t>& addresses, std::uint16_t port, EventLoop& loop,
                      std::string& error)
{
    for (std::uint32_t address : addresses) {
        const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (socket < 0) {
            error = std::string("socket: ") + std::strerror(errno);
            return false;
        }
        sockets_.push_back(socket);
        const int on = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        ::setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        ::setsockopt(socket, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        // A burst of requests from many searching PCs must not be lost.
        const int buffer = 1 << 20;
        ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(address);
        local.sin_port = htons(port);
        if (::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            error = "bind " + formatIpv4(address) + ":" + std::to_string(port) + ": " + std::strerror(errno);
            return false;
        }
        loop.watch(socket, [this, socket] { receive(socket); });
    }
    return true;
}

void ModulePort::receive(int socket)
{
    Datagram datagram;
    datagram.socket = socket;
    datagram.payload.resize(kReceiveBuffer);
    sockaddr_in sender{};
    iovec data{datagram.payload.data(), datagram.payload.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t length = ::recvmsg(socket, &message, MSG_DONTWAIT);
    if (length < 0)
        return;
    datagram.payload.resize(static_cast<std::size_t>(length));
    datagram.sourceAddress = ntohl(sender.sin_addr.s_addr);
    datagram.sourcePort = ntohs(sender.sin_port);
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            datagram.destinationAddress = ntohl(info.ipi_addr.s_addr);
            datagram.interfaceIndex = static_cast<unsigned>(info.ipi_ifindex);
        }
    }
    // The copies of one broadcast arrive together, one per device; the same
    // request again on the same device is a request of its own.
    const auto now = std::chrono::steady_clock::now();
    const auto key = std::make_tuple(datagram.sourceAddress, datagram.sourcePort, datagram.destinationAddress,
                                     datagram.payload);
    if (lastCopy_ && std::get<0>(*lastCopy_) == key && std::get<1>(*lastCopy_) != datagram.interfaceIndex
        && now - std::get<2>(*lastCopy_) < std::chrono::milliseconds(100))
        datagram.firstCopy = false;
    lastCopy_ = std::make_tuple(key, datagram.interfaceIndex, now);
    for (const Handler& handler : handlers_) {
        if (handler(datagram))
            return;
    }
}

bool ModulePort::reply(const Datagram& request, std::uint32_t fromAddress, const std::vector<unsigned char>& bytes,
                       unsigned viaInterface)
{
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr.s_addr = htonl(request.sourceAddress);
    destination.sin_port = htons(request.sourcePort);
    iovec data{const_cast<unsigned char*>(bytes.data()), bytes.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))]{};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(fromAddress);
    info.ipi_ifindex = int(viaInterface);
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    return ::sendmsg(request.socket, &message, 0) == static_cast<ssize_t>(bytes.size());
}

}  // namespace quillmar::sim
