// The search engine on loopback: the PC's addresses and the modules are
// addresses of 127.0.0.0/8 that belong to this test process alone.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "discovery/search_engine.h"
#include "discovery/search_protocol.h"
#include "support/loopback_addresses.h"
#include "support/recording_search_progress.h"
#include "support/sim_process.h"

using namespace quillmar;
using namespace quillmar::test;
using namespace std::chrono_literals;

namespace {

const SearchTiming kQuick{0ms, 200ms, 4, 100};

// The PC's side: two loopback addresses; the module's: a third.
const std::vector<LocalAddress> kTwoLocals{{loopbackAddress(0), 1}, {loopbackAddress(2), 1}};
const std::string kModule = loopbackText(1);

std::unique_ptr<SimProcess> startModule(const std::string& options)
{
    auto sim = std::make_unique<SimProcess>(
        simPath(), std::vector<std::string>{"--bind", kModule, "--module", "address=" + kModule + "," + options});
    EXPECT_TRUE(sim->ready()) << sim->error;
    return sim;
}

std::string endpoint(unsigned local, int port)
{
    return loopbackText(local) + ":" + std::to_string(port);
}

}  // namespace

TEST(SearchEngine, SearchByIpListsTheFirstReplyWithItsSenderAndEndsThere)
{
    auto sim = startModule("ipAddress=192.0.2.250,deviceName=ONE");
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    EXPECT_EQ(engine.searchAllAddresses(kTwoLocals, SearchTarget::at(kModule)), SearchResult::Done);
    ASSERT_EQ(engine.listedCount(), 1u);
    EXPECT_EQ(engine.listedDevices()[0].text(DeviceField::IpAddress), kModule);
    EXPECT_EQ(sim->requestCount(), 1u);
    EXPECT_EQ(sim->requestsFrom(endpoint(0, 16384)), 1u);
    EXPECT_EQ(progress.labels, std::vector<std::string>{"search " + kModule + "..."});
    EXPECT_EQ(progress.positions, std::vector<int>{25});
    EXPECT_EQ(progress.steps, 1);
}

TEST(SearchEngine, ASilentAddressIsAskedFourTimesFromEachLocalPort)
{
    auto sim = startModule("answer=never");
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    EXPECT_EQ(engine.searchAllAddresses(kTwoLocals, SearchTarget::at(kModule)), SearchResult::Done);
    EXPECT_EQ(engine.listedCount(), 0u);
    EXPECT_EQ(sim->requestsFrom(endpoint(0, 16384)), 4u);
    EXPECT_EQ(sim->requestsFrom(endpoint(2, 16385)), 4u);
    EXPECT_EQ(progress.steps, 8);
    EXPECT_TRUE(progress.errors.empty());
}

TEST(SearchEngine, AnUnmanagedModelIsAskedOncePerLocalAddressAndNeverListed)
{
    auto sim = startModule("modelName=RX4100 WI-FI");
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    EXPECT_EQ(engine.searchAllAddresses(kTwoLocals, SearchTarget::at(kModule)), SearchResult::Done);
    EXPECT_EQ(engine.listedCount(), 0u);
    EXPECT_EQ(progress.offered.size(), 2u);
    EXPECT_EQ(sim->requestsFrom(endpoint(0, 16384)), 1u);
    EXPECT_EQ(sim->requestsFrom(endpoint(2, 16385)), 1u);
}

TEST(SearchEngine, StopIsNoticedBeforeTheNextRequestWithOneBeep)
{
    auto sim = startModule("answer=never");
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    progress.engine = &engine;
    progress.stopAtStep = 2;
    EXPECT_EQ(engine.searchAllAddresses(kTwoLocals, SearchTarget::at(kModule)), SearchResult::Stopped);
    EXPECT_EQ(progress.beeps, 1);
    EXPECT_EQ(sim->requestCount(), 1u);
}

TEST(SearchEngine, AStopBeforeTheStartSendsNothing)
{
    auto sim = startModule("");
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    engine.requestStop();
    EXPECT_EQ(engine.searchAllAddresses(kTwoLocals, SearchTarget::at(kModule)), SearchResult::Stopped);
    EXPECT_EQ(progress.beeps, 1);
    EXPECT_EQ(progress.steps, 0);
    EXPECT_EQ(sim->requestCount(), 0u);
}

TEST(SearchEngine, TargetsThatAreNoSingleAddressEndTheSearchBeforeAnyRequest)
{
    for (const char* target : {"", "0.0.0.0", "255.255.255.255", "not-an-address"}) {
        RecordingSearchProgress progress;
        SearchEngine engine(progress, 2, kQuick);
        EXPECT_EQ(engine.searchAllAddresses(kTwoLocals, SearchTarget::at(target)), SearchResult::Failed) << target;
        EXPECT_EQ(progress.steps, 0) << target;
        EXPECT_TRUE(progress.errors.empty()) << target;
    }
}

TEST(SearchEngine, ABindFailureIsReportedWithTheErrorNumber)
{
    // An address this host does not have: the bind fails before anything is sent.
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    const std::vector<LocalAddress> foreign{{0xC0000277u, 0}};  // 192.0.2.119
    EXPECT_EQ(engine.searchAllAddresses(foreign, SearchTarget::at(kModule)), SearchResult::Failed);
    EXPECT_EQ(progress.errors, std::vector<std::string>{"bind failed 2: " + std::to_string(EADDRNOTAVAIL)});
    EXPECT_EQ(progress.steps, 0);
}

TEST(SearchEngine, DatagramsTooLongTooShortOrWithoutAModelNameAreSkippedAndWaitingGoesOn)
{
    // A hand-made module: one request, answered with a record whose model name
    // is no text, an oversized datagram, a 74-byte one, and then a 75-byte one
    // that parses.
    const int module = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(module, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(loopbackAddress(1));
    local.sin_port = htons(kModulePort);
    ASSERT_EQ(bind(module, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    std::thread answer([module] {
        unsigned char request[16];
        sockaddr_in pc{};
        socklen_t length = sizeof pc;
        if (recvfrom(module, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&pc), &length) != 3)
            return;
        DeviceEntry record;
        record.setText(DeviceField::ModelName, "RX7000 WI-FI");
        record.setText(DeviceField::MacAddress, "02:00:00:00:00:75");
        std::vector<char> big(kReplyBufferSize + 1, 'x');
        std::memcpy(big.data(), record.data(), DeviceEntry::size());
        std::vector<char> unprintable(big.begin(), big.begin() + DeviceEntry::size());
        unprintable[3] = '\x1B';
        sendto(module, unprintable.data(), unprintable.size(), 0, reinterpret_cast<sockaddr*>(&pc), length);
        for (std::size_t size : {big.size(), std::size_t{74}, std::size_t{75}})
            sendto(module, big.data(), size, 0, reinterpret_cast<sockaddr*>(&pc), length);
    });
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    EXPECT_EQ(engine.searchAllAddresses({kTwoLocals[0]}, SearchTarget::at(kModule)), SearchResult::Done);
    answer.join();
    close(module);
    ASSERT_EQ(progress.offered.size(), 1u);
    EXPECT_EQ(progress.offered[0].text(DeviceField::MacAddress), "02:00:00:00:00:75");
    EXPECT_EQ(progress.steps, 1);
}

// A range search lists only what answers from an address it asked: a host
// outside the range that keeps sending a record to the search's port is not
// listed, and each address of the range is asked once.
TEST(SearchEngine, ARangeListsOnlyAnswersFromTheAddressesItAsked)
{
    auto sim = startModule("deviceName=ASKED");
    const int stranger = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(stranger, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(loopbackAddress(2));
    from.sin_port = htons(kModulePort);
    ASSERT_EQ(bind(stranger, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
    std::atomic<bool> done{false};
    std::thread sending([&] {
        DeviceEntry record;
        record.setText(DeviceField::ModelName, "RX7000 WI-FI");
        record.setText(DeviceField::DeviceName, "STRANGER");
        record.setText(DeviceField::MacAddress, "02:00:00:00:00:99");
        sockaddr_in pc{};
        pc.sin_family = AF_INET;
        pc.sin_addr.s_addr = htonl(loopbackAddress(0));
        pc.sin_port = htons(kSearchLocalPortBase);
        while (!done) {
            sendto(stranger, record.data(), DeviceEntry::size(), 0, reinterpret_cast<sockaddr*>(&pc), sizeof pc);
            std::this_thread::sleep_for(10ms);
        }
    });
    RecordingSearchProgress progress;
    SearchTiming timing = kQuick;
    timing.rangeAnswerWait = 300ms;
    SearchEngine engine(progress, 2, timing);
    std::string error;
    const AddressRange range = *parseAddressRange(kModule + "-" + kModule, error);
    EXPECT_EQ(engine.searchRange({kTwoLocals[0]}, range), SearchResult::Done);
    done = true;
    sending.join();
    close(stranger);
    ASSERT_EQ(engine.listedCount(), 1u);
    EXPECT_EQ(engine.listedDevices()[0].text(DeviceField::DeviceName), "ASKED");
    EXPECT_EQ(sim->requestsFrom(endpoint(0, 16384)), 1u);
    EXPECT_EQ(engine.rangeCount().asked, 1u);
    EXPECT_EQ(progress.labels, std::vector<std::string>{"search " + kModule + "-" + kModule + "..."});
    EXPECT_EQ(progress.positions.back(), 100);
}
