#include "discovery/search_engine.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ifaddrs.h>
#include <map>
#include <memory>
#include <net/if.h>
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

// Where a range search sends each address from. The kernel picks the source
// address (and so the interface) its route leads out of; a connected UDP
// socket tells which without sending anything.
class SourceChooser {
public:
    explicit SourceChooser(const std::vector<LocalAddress>& locals) : locals_(locals)
    {
        // Which interface holds each of the PC's addresses, loopback included
        // (a route to 127.x gives 127.0.0.1 as its source).
        ifaddrs* all = nullptr;
        if (::getifaddrs(&all) == 0) {
            for (const ifaddrs* entry = all; entry; entry = entry->ifa_next) {
                if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET)
                    interfaceOf_[ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr)] =
                        ::if_nametoindex(entry->ifa_name);
            }
            ::freeifaddrs(all);
        }
    }

    enum class Route { Found, None, Elsewhere };

    // The index (in the search's local addresses) of the one to send from.
    Route choose(std::uint32_t target, std::size_t& index) const
    {
        for (index = 0; index < locals_.size(); ++index) {
            if (locals_[index].sharesNetworkWith(target))
                return Route::Found;
        }
        SocketHandle probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        const sockaddr_in destination = ipv4Endpoint(target, kModulePort);
        if (probe.fd() < 0
            || ::connect(probe.fd(), reinterpret_cast<const sockaddr*>(&destination), sizeof destination) != 0)
            return Route::None;
        sockaddr_in source{};
        socklen_t length = sizeof source;
        if (::getsockname(probe.fd(), reinterpret_cast<sockaddr*>(&source), &length) != 0)
            return Route::None;
        const std::uint32_t from = ntohl(source.sin_addr.s_addr);
        for (index = 0; index < locals_.size(); ++index) {
            if (locals_[index].address == from)
                return Route::Found;
        }
        const auto interface = interfaceOf_.find(from);
        for (index = 0; interface != interfaceOf_.end() && index < locals_.size(); ++index) {
            if (locals_[index].interfaceIndex == interface->second)
                return Route::Found;
        }
        return Route::Elsewhere;
    }

private:
    const std::vector<LocalAddress>& locals_;
    std::map<std::uint32_t, unsigned> interfaceOf_;
};

}  // namespace

SearchTarget SearchTarget::fromText(bool broadcast, const std::string& text)
{
    if (broadcast)
        return everyone();
    std::string error;
    if (looksLikeAddressRange(text)) {
        if (const std::optional<AddressRange> range = parseAddressRange(text, error))
            return within(*range);
    }
    return at(text.substr(0, 19));
}

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

RangeCount SearchEngine::rangeCount() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return rangeCount_;
}

SearchResult SearchEngine::searchRange(const std::vector<LocalAddress>& locals, const AddressRange& range)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        rangeCount_ = {};
        progress_.setBarPosition(0);
        progress_.setLabel("search " + range.text() + "...");
    }
    // One socket per local address, bound as every search binds them.
    std::vector<std::unique_ptr<SocketHandle>> sockets;
    for (std::size_t k = 0; k < locals.size(); ++k) {
        sockets.push_back(std::make_unique<SocketHandle>(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)));
        if (sockets.back()->fd() < 0) {
            reportError("socket failed 1", errno);
            return SearchResult::Failed;
        }
        const sockaddr_in local = ipv4Endpoint(locals[k].address, static_cast<std::uint16_t>(kSearchLocalPortBase + k));
        if (::bind(sockets.back()->fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            reportError("bind failed 2", errno);
            return SearchResult::Failed;
        }
    }

    // Each address with the socket it goes out of.
    const SourceChooser chooser(locals);
    std::vector<std::pair<std::uint32_t, std::size_t>> requests;
    RangeCount count;
    for (const std::uint32_t address : range.addressesToAsk()) {
        std::size_t k = 0;
        switch (chooser.choose(address, k)) {
        case SourceChooser::Route::Found:
            requests.emplace_back(address, k);
            break;
        case SourceChooser::Route::None:
            ++count.unrouted;
            break;
        case SourceChooser::Route::Elsewhere:
            ++count.elsewhere;
            break;
        }
    }

    std::vector<bool> asked(range.size(), false);
    std::set<std::uint32_t> heard;
    std::vector<unsigned char> buffer(kReplyBufferSize);
    std::vector<pollfd> watched;
    for (const auto& socket : sockets)
        watched.push_back({socket->fd(), POLLIN, 0});
    // Reads whatever has arrived until `until`; false when stopped or failed.
    const auto receiveUntil = [&](Clock::time_point until) -> std::optional<SearchResult> {
        for (;;) {
            if (stop_) {
                stoppedHere();
                return SearchResult::Stopped;
            }
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - Clock::now());
            const auto wait = std::max(std::chrono::nanoseconds(0),
                                       std::min(left, std::chrono::nanoseconds(kStopCheckInterval)));
            // To the nanosecond, so that no request goes out before its time.
            const timespec timeout{static_cast<time_t>(wait.count() / 1'000'000'000),
                                   static_cast<long>(wait.count() % 1'000'000'000)};
            const int ready = ::ppoll(watched.data(), watched.size(), &timeout, nullptr);
            if (ready < 0 && errno != EINTR) {
                reportError("select failed", errno);
                return SearchResult::Failed;
            }
            for (std::size_t k = 0; ready > 0 && k < watched.size(); ++k) {
                if (!(watched[k].revents & POLLIN))
                    continue;
                sockaddr_in sender{};
                socklen_t senderLength = sizeof sender;
                const ssize_t length = ::recvfrom(watched[k].fd, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                                                  reinterpret_cast<sockaddr*>(&sender), &senderLength);
                if (length <= 0 || static_cast<std::size_t>(length) > buffer.size())
                    continue;
                const std::uint32_t from = ntohl(sender.sin_addr.s_addr);
                // Only an address the search asked, answering from the module's port.
                if (!range.contains(from) || !asked[from - range.first] || ntohs(sender.sin_port) != kModulePort)
                    continue;
                std::optional<DeviceEntry> entry = parseSearchReply(buffer.data(), static_cast<std::size_t>(length));
                if (!entry || !isWellFormedReply(*entry) || !heard.insert(from).second)
                    continue;
                const std::string stored = entry->text(DeviceField::IpAddress);
                setSourceAddress(*entry, from);
                offer(*entry, stored, k);
            }
            if (left.count() <= 0)
                return std::nullopt;
        }
    };

    int shownPercent = -1;
    Clock::time_point next = Clock::now();
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (const std::optional<SearchResult> ended = receiveUntil(next))
            return *ended;
        const auto [address, k] = requests[i];
        asked[address - range.first] = true;
        const sockaddr_in module = ipv4Endpoint(address, kModulePort);
        // A request that cannot be sent simply gets no answer.
        (void)::sendto(sockets[k]->fd(), SearchRequest.data(), SearchRequest.size(), 0,
                       reinterpret_cast<const sockaddr*>(&module), sizeof module);
        // Never faster than the rate, even after a pause: no burst catches up.
        next = std::max(next + timing_.rangeInterval, Clock::now());
        ++count.asked;
        const int percent = static_cast<int>(count.asked * 100 / requests.size());
        std::lock_guard<std::mutex> guard(lock_);
        rangeCount_ = count;
        progress_.addressesAsked(count.asked, requests.size());
        if (percent != shownPercent)
            progress_.setBarPosition(shownPercent = percent);
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        rangeCount_ = count;
    }
    if (requests.empty())
        return SearchResult::Done;
    if (const std::optional<SearchResult> ended = receiveUntil(Clock::now() + timing_.rangeAnswerWait))
        return *ended;
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
