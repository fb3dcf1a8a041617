#include "discovery/search_engine.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "discovery/search_protocol.h"
#include "record/ipv4_text.h"

namespace quillmar {
namespace {

class SocketHandle {
public:
    explicit SocketHandle(int fd) : fd_(fd) {}
    ~SocketHandle()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

sockaddr_in ipv4Endpoint(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = htonl(address);
    endpoint.sin_port = htons(port);
    return endpoint;
}

using Clock = std::chrono::steady_clock;

// What a wait for the next datagram ended with.
enum class Wait { Datagram, TimeUp, Stopped, Failed };

// Waits for the next datagram until `until`, looking at the stop request every
// kStopCheckInterval. Failed leaves errno set.
Wait waitForDatagram(int socket, Clock::time_point until, const std::atomic<bool>& stop)
{
    for (;;) {
        if (stop)
            return Wait::Stopped;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0)
            return Wait::TimeUp;
        pollfd watched{socket, POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::min(left, kStopCheckInterval).count()));
        if (ready > 0)
            return Wait::Datagram;
        if (ready < 0 && errno != EINTR)
            return Wait::Failed;
    }
}

}  // namespace

bool isSearchableAddress(const std::string& text)
{
    const std::optional<std::uint32_t> address = parseIpv4(text);
    return address && *address != INADDR_ANY && *address != INADDR_BROADCAST;
}

SearchEngine::SearchEngine(SearchProgress& progress, int printerFamily, SearchTiming timing)
    : progress_(progress), printerFamily_(printerFamily), timing_(timing), otherFamily_(printerFamily)
{
}

std::size_t SearchEngine::listedCount() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return listed_.count();
}

std::size_t SearchEngine::otherFamilyCount() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return otherFamily_.count();
}

std::vector<DeviceEntry> SearchEngine::listedDevices() const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<DeviceEntry> devices;
    for (std::size_t row = 0; row < listed_.count(); ++row)
        devices.push_back(listed_.at(row));
    return devices;
}

void SearchEngine::reportError(const char* what, int error)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s: %d", what, error);
    std::lock_guard<std::mutex> guard(lock_);
    progress_.showError(text);
}

void SearchEngine::offer(DeviceEntry entry, const std::string& storedAddress, std::size_t localIndex)
{
    std::lock_guard<std::mutex> guard(lock_);
    const bool listed = listed_.admit(entry, printerFamily_) >= 0;
    otherFamily_.offer(entry);
    progress_.addReply(entry, storedAddress, localIndex);
    // The count follows the rows as they are listed, not a round behind them.
    if (listed && broadcast_)
        showFound();
}

void SearchEngine::showFound()
{
    if (shownCount_ == long(listed_.count()))
        return;
    shownCount_ = long(listed_.count());
    char text[64];
    std::snprintf(text, sizeof text, "Broadcast search...%zu found", listed_.count());
    progress_.setLabel(text);
}

bool SearchEngine::stoppedHere()
{
    if (!stop_)
        return false;
    std::lock_guard<std::mutex> guard(lock_);
    progress_.beep();
    return true;
}

void SearchEngine::beginSearch(std::size_t localCount, const SearchTarget& target)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        broadcast_ = target.broadcast;
        shownCount_ = -1;
        if (localCount > 0)
            progress_.setBarPosition(static_cast<int>(100 / (2 * localCount)));
        progress_.setLabel(target.broadcast ? std::string("Broadcast search...") : "search " + target.address + "...");
    }
    // The pause ends early on a stop; the caller's next check acknowledges it.
    const Clock::time_point until = Clock::now() + timing_.startPause;
    while (!stop_ && Clock::now() < until)
        std::this_thread::sleep_for(
            std::min(kStopCheckInterval, std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now())));
}

SearchResult SearchEngine::searchAllAddresses(const std::vector<LocalAddress>& locals, const SearchTarget& target)
{
    beginSearch(locals.size(), target);
    for (std::size_t k = 0; k < locals.size(); ++k) {
        if (stoppedHere())
            return SearchResult::Stopped;
        const SearchResult result = searchFromAddress(k, locals[k].address, target);
        if (result != SearchResult::Done)
            return result;
        if (target.broadcast) {
            std::lock_guard<std::mutex> guard(lock_);
            showFound();
        } else if (listedCount() == 1) {
            break;
        }
    }
    return SearchResult::Done;
}

SearchResult SearchEngine::searchAllAddressesInParallel(const std::vector<LocalAddress>& locals,
                                                        const SearchTarget& target)
{
    beginSearch(locals.size(), target);
    if (stoppedHere())
        return SearchResult::Stopped;
    std::vector<SearchResult> results(locals.size(), SearchResult::Done);
    std::vector<std::thread> searches;
    searches.reserve(locals.size());
    for (std::size_t k = 0; k < locals.size(); ++k)
        searches.emplace_back(
            [this, k, &locals, &target, &results] { results[k] = searchFromAddress(k, locals[k].address, target); });
    for (std::thread& search : searches)
        search.join();
    for (SearchResult result : results) {
        if (result != SearchResult::Done)
            return result;
    }
    return SearchResult::Done;
}

SearchResult SearchEngine::searchFromAddress(std::size_t k, std::uint32_t localAddress, const SearchTarget& target)
{
    SocketHandle socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (socket.fd() < 0) {
        reportError("socket failed 1", errno);
        return SearchResult::Failed;
    }
    if (target.broadcast) {
        const int allow = 1;
        if (::setsockopt(socket.fd(), SOL_SOCKET, SO_BROADCAST, &allow, sizeof allow) != 0) {
            reportError("setsockopt failed", errno);
            return SearchResult::Failed;
        }
    }
    const sockaddr_in local = ipv4Endpoint(localAddress, static_cast<std::uint16_t>(kSearchLocalPortBase + k));
    if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        reportError("bind failed 2", errno);
        return SearchResult::Failed;
    }
    return exchange(socket.fd(), target, k);
}

SearchResult SearchEngine::exchange(int socket, const SearchTarget& target, std::size_t localIndex)
{
    // Whatever arrives, a search ends within its rounds' time and a margin:
    // answers may restart a round's wait, but not for ever.
    const Clock::duration bound = timing_.exchangeLimit.count() > 0
                                      ? Clock::duration(timing_.exchangeLimit)
                                      : Clock::duration(timing_.replyWait * timing_.rounds + kSearchMargin);
    const Clock::time_point deadline = Clock::now() + bound;
    std::uint32_t destination = INADDR_BROADCAST;
    if (!target.broadcast) {
        // Neither "any" nor the limited broadcast is ever a search-by-IP target:
        // the first would go nowhere sensible, the second would broadcast.
        if (!isSearchableAddress(target.address))
            return SearchResult::Failed;
        destination = *parseIpv4(target.address);
    }
    const sockaddr_in module = ipv4Endpoint(destination, kModulePort);

    std::vector<unsigned char> buffer(kReplyBufferSize);
    for (int round = 0; round < timing_.rounds; ++round) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            progress_.stepBar();
        }
        if (stoppedHere())
            return SearchResult::Stopped;
        // A request that cannot be sent simply gets no answer.
        (void)::sendto(socket, SearchRequest.data(), SearchRequest.size(), 0,
                       reinterpret_cast<const sockaddr*>(&module), sizeof module);
        // Only an answer restarts the wait: whatever else reaches the port
        // (junk, a stranger's datagrams) can neither stretch the round nor use
        // up its answers.
        Clock::time_point quietUntil = Clock::now() + timing_.replyWait;
        // Each sender counts once a round: one host repeating its record can
        // neither keep the round open nor use up the answers other modules need.
        std::set<std::uint32_t> heard;
        while (int(heard.size()) < timing_.datagramsPerRound) {
            const Wait wait = waitForDatagram(socket, std::min(quietUntil, deadline), stop_);
            if (wait == Wait::Stopped) {
                stoppedHere();
                return SearchResult::Stopped;
            }
            if (wait == Wait::TimeUp) {
                if (Clock::now() >= deadline)
                    return SearchResult::Done;
                break;
            }
            if (wait == Wait::Failed) {
                reportError("select failed", errno);
                return SearchResult::Failed;
            }
            sockaddr_in sender{};
            socklen_t senderLength = sizeof sender;
            // MSG_TRUNC gives the datagram's real length, so one that did not fit
            // the buffer is recognised and ignored.
            const ssize_t length = ::recvfrom(socket, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                                              reinterpret_cast<sockaddr*>(&sender), &senderLength);
            if (length <= 0 || static_cast<std::size_t>(length) > buffer.size())
                continue;
            const std::uint32_t from = ntohl(sender.sin_addr.s_addr);
            // A search by IP asked one address; another host answering to the
            // search's port would otherwise be listed in its place. A module
            // answers from the port it was asked on.
            if ((!target.broadcast && from != destination) || ntohs(sender.sin_port) != kModulePort)
                continue;
            std::optional<DeviceEntry> entry = parseSearchReply(buffer.data(), static_cast<std::size_t>(length));
            if (!entry || !isWellFormedReply(*entry))
                continue;
            if (heard.insert(from).second)
                quietUntil = Clock::now() + timing_.replyWait;
            const std::string stored = entry->text(DeviceField::IpAddress);
            setSourceAddress(*entry, from);
            offer(*entry, stored, localIndex);
            if (!target.broadcast)
                return SearchResult::Done;
        }
    }
    return SearchResult::Done;
}

}  // namespace quillmar
