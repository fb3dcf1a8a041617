#pragma once
// The printer-module search without any window: the search request sent from
// every local address (port 16384 + k for the k-th), replies parsed and offered
// for listing, progress reported through SearchProgress.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "discovery/search_outcome.h"
#include "discovery/search_progress.h"
#include "discovery/search_timing.h"
#include "platform/local_addresses.h"
#include "record/address_range.h"
#include "record/device_table.h"

namespace quillmar {

enum class SearchResult { Done = 0, Failed = -1, Stopped = -2 };

struct SearchTarget {
    bool broadcast = true;
    std::string address;  // dotted IPv4 text for a search by IP, or the range's text
    // A search of every address of a range (a routed network): each asked once.
    std::optional<AddressRange> range;

    static SearchTarget everyone() { return {true, {}, std::nullopt}; }
    static SearchTarget at(std::string address) { return {false, std::move(address), std::nullopt}; }
    static SearchTarget within(const AddressRange& range) { return {false, range.text(), range}; }
    // What the manager's "Search by IP" dialog hands over: one address (its
    // first 19 characters, as the dialog keeps them) or a range's text.
    static SearchTarget fromText(bool broadcast, const std::string& text);
};

// How a range search's addresses were asked.
struct RangeCount {
    std::size_t asked = 0;
    // No route leads there from this PC.
    std::size_t unrouted = 0;
    // The route leads out of an interface whose address the search may not
    // send from (--interface left it out).
    std::size_t elsewhere = 0;
};

class SearchEngine {
public:
    SearchEngine(SearchProgress& progress, int printerFamily, SearchTiming timing = {});

    // Safe from any thread. The search notices it within kStopCheckInterval,
    // in the middle of a wait too, beeps and ends.
    void requestStop() { stop_ = true; }
    bool stopRequested() const { return stop_; }

    // One local address after another, as the manager's search worker does:
    // a search by IP ends as soon as the list holds one device.
    SearchResult searchAllAddresses(const std::vector<LocalAddress>& locals, const SearchTarget& target);
    // Every local address at once, one socket and thread each (local address k
    // still on port 16384 + k), so several networks take one search time.
    SearchResult searchAllAddressesInParallel(const std::vector<LocalAddress>& locals, const SearchTarget& target);

    // Every address of `range` once (a network behind a router, a VLAN): one
    // request each, at most kRangeRequestsPerSecond, each sent from the socket
    // of the local address (port 16384 + k) the PC reaches it from, and the
    // answers until rangeAnswerWait after the last request. Only answers from
    // port 5000 of an address already asked count, each sender once.
    SearchResult searchRange(const std::vector<LocalAddress>& locals, const AddressRange& range);
    RangeCount rangeCount() const;

    // Opens the socket of local address k, binds it and runs the exchange.
    SearchResult searchFromAddress(std::size_t k, std::uint32_t localAddress, const SearchTarget& target);
    // Four rounds of request and replies on a bound socket; the replies are
    // reported as received by local address `localIndex`. Only well-formed
    // replies (isWellFormedReply), and for a search by IP only those from the
    // address searched, count as answers: the rest is read and dropped.
    SearchResult exchange(int socket, const SearchTarget& target, std::size_t localIndex = 0);

    // What the device list holds by now: every parsed reply offered through
    // addRow, kept by the same rule (DeviceTable::admit).
    std::size_t listedCount() const;
    std::vector<DeviceEntry> listedDevices() const;
    // Modules of the other printer family that answered: the list leaves
    // them out.
    std::size_t otherFamilyCount() const;

private:
    void reportError(const char* what, int error);
    void offer(DeviceEntry entry, const std::string& storedAddress, std::size_t localIndex);
    void beginSearch(std::size_t localCount, const SearchTarget& target);
    // "Broadcast search...N found" with N the rows listed so far, unless the
    // label says so already.
    void showFound();
    bool stoppedHere();

    SearchProgress& progress_;
    const int printerFamily_;
    const SearchTiming timing_;
    std::atomic<bool> stop_{false};
    // Serialises progress calls and the listing when addresses run in parallel.
    mutable std::mutex lock_;
    DeviceTable listed_;
    bool broadcast_ = false;  // the search under way is a broadcast
    long shownCount_ = -1;    // the count the label shows; -1: none yet
    OtherFamilyCount otherFamily_;
    RangeCount rangeCount_;
};

// Whether a search by IP may send to this text: a dotted address that is
// neither 0.0.0.0 nor the limited broadcast 255.255.255.255.
bool isSearchableAddress(const std::string& text);

}  // namespace quillmar
