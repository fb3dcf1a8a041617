#include "maintenance/tftp_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace quillmar {
namespace {

constexpr char kOpWrite = 2;
constexpr char kOpData = 3;
constexpr char kOpAck = 4;
// The bar moves this far for every try of the request.
constexpr int kRequestBarAdvance = 50;

std::string acknowledgement(std::uint16_t block)
{
    return {'\0', kOpAck, static_cast<char>(block >> 8), static_cast<char>(block & 0xFF)};
}

bool readFully(int fd, char* into, std::size_t length)
{
    while (length > 0) {
        const ssize_t n = ::read(fd, into, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        into += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

// Whether the file holds anything past what was read.
bool hasMoreBytes(int fd)
{
    char extra;
    for (;;) {
        const ssize_t n = ::read(fd, &extra, 1);
        if (n < 0 && errno == EINTR)
            continue;
        return n != 0;
    }
}

}  // namespace

bool isTftpAcknowledgement(std::string_view datagram, std::uint16_t block)
{
    return datagram == acknowledgement(block);
}

std::string tftpFileName(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::optional<std::string> tftpWriteRequest(std::string_view fileName, std::uint64_t size)
{
    if (fileName.empty() || fileName.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string request{'\0', kOpWrite};
    request += fileName;
    request.push_back('\0');
    request += "octet";
    request.push_back('\0');
    request += "tsize";
    request.push_back('\0');
    request += std::to_string(size);
    request.push_back('\0');
    if (request.size() > kTftpMaxRequestBytes)
        return std::nullopt;
    return request;
}

TftpUpload::TftpUpload(std::uint32_t server, const TftpTiming& timing, MaintenanceProgress& progress,
                       const std::atomic<bool>* stopRequested, std::uint16_t port)
    : server_(server), requestPort_(port), timing_(timing), progress_(progress), stopRequested_(stopRequested)
{
}

TftpUpload::~TftpUpload()
{
    if (socket_ >= 0)
        ::close(socket_);
}

bool TftpUpload::stopRequested() const
{
    return stopRequested_ && stopRequested_->load();
}

bool TftpUpload::sendTo(const std::string& datagram, std::uint16_t port)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = server_;
    return ::sendto(socket_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to)
           == static_cast<ssize_t>(datagram.size());
}

TftpUpload::Answer TftpUpload::awaitAnswer(std::string& datagram, std::uint16_t& fromPort)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timing_.answerWait;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Answer::Silence;
        pollfd readable{socket_, POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return Answer::Failed;
        if (ready == 0)
            return Answer::Silence;
        char buffer[kTftpBlockBytes + 4];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length = ::recvfrom(socket_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                                          &fromLength);
        if (length < 0)
            return Answer::Failed;
        // Someone else's datagram is no answer; the wait goes on.
        if (from.sin_addr.s_addr != server_)
            continue;
        datagram.assign(buffer, static_cast<std::size_t>(length));
        fromPort = ntohs(from.sin_port);
        return Answer::Datagram;
    }
}

TftpUpload::Result TftpUpload::exchange(const std::string& datagram, std::uint16_t port, std::uint16_t block,
                                        const std::string& text, bool takePort)
{
    for (int attempt = 0; attempt < timing_.tries; ++attempt) {
        if (stopRequested())
            return kStopped;
        if (takePort) {
            progress_.advanceBar(kRequestBarAdvance);
        } else {
            progress_.setText(text);
            progress_.stepBar();
        }
        (void)sendTo(datagram, port);
        std::string answer;
        std::uint16_t fromPort = 0;
        switch (awaitAnswer(answer, fromPort)) {
        case Answer::Failed:
            return kFailed;
        case Answer::Silence:
            continue;
        case Answer::Datagram:
            // A duplicate acknowledgement, an error datagram or anything else
            // ends the upload: the module is not where this upload is.
            if (!isTftpAcknowledgement(answer, block))
                return kFailed;
            if (takePort)
                dataPort_ = fromPort;
            return kDone;
        }
    }
    return kFailed;
}

TftpUpload::Result TftpUpload::sendRequest(const std::string& request)
{
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (socket_ < 0)
        return kFailed;
    progress_.setText("send request...");
    std::this_thread::sleep_for(timing_.requestPause);
    return exchange(request, requestPort_, 0, {}, true);
}

TftpUpload::Result TftpUpload::sendData(int fd, std::uint64_t size)
{
    const std::uint64_t wholeBlocks = size / kTftpBlockBytes;
    const int position = wholeBlocks == 0 ? 0 : static_cast<int>(kPrgBarMaximum / wholeBlocks);
    progress_.setBarPosition(position == 0 ? kPrgBarStart : position);
    const auto totalBlocks = static_cast<int>((size + kTftpBlockBytes - 1) / kTftpBlockBytes);

    std::uint64_t sent = 0;
    int count = 0;
    std::string datagram;
    while (sent < size) {
        if (stopRequested())
            return kStopped;
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(kTftpBlockBytes, size - sent));
        ++count;
        const auto block = static_cast<std::uint16_t>(count & 0xFFFF);
        datagram.assign(4 + length, '\0');
        datagram[1] = kOpData;
        datagram[2] = static_cast<char>(block >> 8);
        datagram[3] = static_cast<char>(block & 0xFF);
        // A file that shrank since its size was announced sends nothing stale.
        if (!readFully(fd, datagram.data() + 4, length))
            return kFailed;
        const Result result = exchange(datagram, dataPort_, block, "send packet " + std::to_string(count), false);
        if (result != kDone)
            return result;
        sent += length;
        progress_.blocksSent(count, totalBlocks);
    }
    // The module has what "tsize" announced; a file that grew meanwhile was
    // not the file that was announced.
    return hasMoreBytes(fd) ? kFailed : kDone;
}

}  // namespace quillmar
