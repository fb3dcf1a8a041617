// The search engine against simulated modules in the lab, with shortened waits.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <set>

#include "discovery/search_engine.h"
#include "lab/discovery_lab.h"
#include "record/model_table.h"
#include "support/recording_search_progress.h"

using namespace quillmar;
using namespace quillmar::test;
using namespace std::chrono_literals;

namespace {

const SearchTiming kQuick{0ms, 400ms, 4, 100};

// Device name -> IP text of what the list would show.
std::map<std::string, std::string> listedByName(const SearchEngine& engine)
{
    std::map<std::string, std::string> listed;
    for (const DeviceEntry& entry : engine.listedDevices())
        listed[entry.text(DeviceField::DeviceName)] = entry.text(DeviceField::IpAddress);
    return listed;
}

std::vector<LocalAddress> pcAddresses()
{
    return IfaddrsAddressSource().read().addresses;
}

class EngineLabTest : public DiscoveryLabTest {
protected:
    void SetUp() override
    {
        DiscoveryLabTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        pc = std::make_unique<LabNetwork::PcScope>(*lab);
        ASSERT_TRUE(pc->entered());
        ASSERT_TRUE(LabNetwork::PcScope::seesOnlyTheLabPc());
    }
    void TearDown() override
    {
        pc.reset();
        DiscoveryLabTest::TearDown();
    }
    std::unique_ptr<LabNetwork::PcScope> pc;
};

}  // namespace

TEST_F(EngineLabTest, BroadcastListsEachModuleOnceWithTheAddressItAnsweredFrom)
{
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    ASSERT_EQ(engine.searchAllAddresses(pcAddresses(), SearchTarget::everyone()), SearchResult::Done);
    EXPECT_TRUE(progress.errors.empty());

    // The 74-byte reply and the other family's model are not listed; the
    // module that wrote another address into its record is listed with its own.
    const std::map<std::string, std::string> expected{
        {"ALPHA", "192.0.2.10"},
        {"BRAVO", "192.0.2.11"},
        {"FOREIGN", "203.0.113.10"},
        {"SHORT75", "198.51.100.10"},
        {"DEVICE-NAME-16CH", "198.51.100.13"},
    };
    EXPECT_EQ(listedByName(engine), expected);
    std::set<std::string> macs;
    for (const DeviceEntry& entry : engine.listedDevices())
        EXPECT_TRUE(macs.insert(entry.text(DeviceField::MacAddress)).second);

    // A 75-byte reply carries one byte of the TCP port; the rest reads as zero.
    for (const DeviceEntry& entry : engine.listedDevices()) {
        if (entry.text(DeviceField::DeviceName) == "SHORT75") {
            EXPECT_EQ(entry.text(DeviceField::TcpPort), "9");
            EXPECT_EQ(entry.text(DeviceField::UdpPort), "");
            EXPECT_EQ(entry.text(DeviceField::WpaPsk), "");
        }
    }
    // Every module that answers every request was heard four times, and all
    // parsed replies were offered to the list (which dropped the repeats).
    EXPECT_GE(progress.offered.size(), 16u);

    // Each local address searched from its own port, four requests each, and
    // each link heard only its own PC address.
    EXPECT_EQ(linkA->requestsFrom("192.0.2.1:16384"), 4u);
    EXPECT_EQ(linkA->requestCount(), 4u);
    EXPECT_EQ(linkB->requestsFrom("198.51.100.1:16385"), 4u);
    EXPECT_EQ(linkB->requestCount(), 4u);
    for (const SimLogLine& line : linkA->lines("request"))
        EXPECT_EQ(line.fields.at("to"), "255.255.255.255");

    EXPECT_EQ(progress.positions.front(), 25);
    EXPECT_EQ(progress.steps, 8);
    // The count follows the rows as they are listed.
    EXPECT_EQ(progress.labels, (std::vector<std::string>{"Broadcast search...", "Broadcast search...1 found",
                                                         "Broadcast search...2 found", "Broadcast search...3 found",
                                                         "Broadcast search...4 found", "Broadcast search...5 found"}));
}

TEST_F(EngineLabTest, TheOtherFamilyListsOnlyItsOwnModel)
{
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 1, kQuick);
    ASSERT_EQ(engine.searchAllAddresses(pcAddresses(), SearchTarget::everyone()), SearchResult::Done);
    EXPECT_EQ(listedByName(engine), (std::map<std::string, std::string>{{"FAMILY1", "198.51.100.12"}}));
}

TEST_F(EngineLabTest, SearchByIpEndsAtTheFirstReplyThatListsADevice)
{
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    ASSERT_EQ(engine.searchAllAddresses(pcAddresses(), SearchTarget::at("192.0.2.10")), SearchResult::Done);
    EXPECT_EQ(listedByName(engine), (std::map<std::string, std::string>{{"ALPHA", "192.0.2.10"}}));
    // One request from the first local address, none from the second.
    EXPECT_EQ(linkA->requestCount(), 1u);
    EXPECT_EQ(linkA->requestsFrom("192.0.2.1:16384"), 1u);
    EXPECT_EQ(linkA->lines("request").front().fields.at("to"), "192.0.2.10");
    EXPECT_EQ(progress.steps, 1);
    EXPECT_EQ(progress.labels, (std::vector<std::string>{"search 192.0.2.10..."}));
}

TEST_F(EngineLabTest, SearchByIpOfAnUnmanagedModelAsksOncePerLocalAddress)
{
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    ASSERT_EQ(engine.searchAllAddresses(pcAddresses(), SearchTarget::at("198.51.100.12")), SearchResult::Done);
    EXPECT_EQ(engine.listedCount(), 0u);
    EXPECT_EQ(progress.offered.size(), 2u);
    EXPECT_EQ(linkB->requestsFrom("192.0.2.1:16384"), 1u);
    EXPECT_EQ(linkB->requestsFrom("198.51.100.1:16385"), 1u);
    EXPECT_EQ(linkA->requestCount(), 0u);
}

TEST_F(EngineLabTest, SearchByIpOfAShortReplyNeverStopsEarly)
{
    // The 74-byte reply does not parse, so every local address asks four times.
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    ASSERT_EQ(engine.searchAllAddresses(pcAddresses(), SearchTarget::at("198.51.100.11")), SearchResult::Done);
    EXPECT_EQ(engine.listedCount(), 0u);
    EXPECT_EQ(linkB->requestsFrom("192.0.2.1:16384"), 4u);
    EXPECT_EQ(linkB->requestsFrom("198.51.100.1:16385"), 4u);
}

namespace {

// Asks the engine to stop as soon as the first network's three modules are
// listed, while the first local address still waits for more.
class StopAfterFirstNetwork final : public RecordingSearchProgress {
public:
    SearchEngine* engine = nullptr;
    void setLabel(const std::string& text) override
    {
        RecordingSearchProgress::setLabel(text);
        if (text.find("3 found") != std::string::npos)
            engine->requestStop();
    }
};

}  // namespace

TEST_F(EngineLabTest, StopEndsAtTheNextCheckWithABeepAndKeepsTheRows)
{
    StopAfterFirstNetwork progress;
    SearchEngine engine(progress, 2, kQuick);
    progress.engine = &engine;
    EXPECT_EQ(engine.searchAllAddresses(pcAddresses(), SearchTarget::everyone()), SearchResult::Stopped);
    EXPECT_EQ(progress.beeps, 1);
    EXPECT_EQ(engine.listedCount(), 3u);
    // The wait for more answers ends with the stop: no second round, no second address.
    EXPECT_EQ(linkA->requestCount(), 1u);
    EXPECT_EQ(linkB->requestCount(), 0u);
}

TEST_F(EngineLabTest, ParallelSearchAsksFromEveryAddressAtOnce)
{
    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    ASSERT_EQ(engine.searchAllAddressesInParallel(pcAddresses(), SearchTarget::everyone()), SearchResult::Done);
    EXPECT_EQ(engine.listedCount(), 5u);
    const auto a = linkA->lines("request", "from", "192.0.2.1:16384");
    const auto b = linkB->lines("request", "from", "198.51.100.1:16385");
    ASSERT_EQ(a.size(), 4u);
    ASSERT_EQ(b.size(), 4u);
    // Both addresses had sent their first request before either sent its second.
    const long firstA = std::stol(a[0].fields.at("t")), firstB = std::stol(b[0].fields.at("t"));
    EXPECT_LT(firstA, std::stol(b[1].fields.at("t")));
    EXPECT_LT(firstB, std::stol(a[1].fields.at("t")));
}

namespace {

// What a stranger at 192.0.2.66 sends to the PC's search ports: a record of a
// managed model that nobody asked for, three bytes of junk, and a datagram
// long enough to parse whose model name is no text.
const std::vector<std::string> kSearchPorts{"192.0.2.1:16384", "198.51.100.1:16385"};

std::string forgedRecord()
{
    DeviceEntry record;
    record.setText(DeviceField::ModelName, "RX7000 WI-FI");
    record.setText(DeviceField::DeviceName, "FORGED");
    record.setText(DeviceField::MacAddress, "02:00:00:00:00:66");
    return std::string(record.data(), record.size());
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST_F(EngineLabTest, ASearchByIpListsOnlyAnswersFromTheAddressItAsked)
{
    ASSERT_TRUE(lab->addHost("mx", 'a', {"192.0.2.66/24"})) << lab->error;
    LabNetwork::Stranger forger(*lab, "mx", "192.0.2.66", kSearchPorts, forgedRecord(), 100ms);
    // Nobody is at 192.0.2.77: the forgeries that arrive meanwhile are not listed.
    RecordingSearchProgress silent;
    SearchEngine nobody(silent, 2, kQuick);
    ASSERT_EQ(nobody.searchAllAddresses(pcAddresses(), SearchTarget::at("192.0.2.77")), SearchResult::Done);
    EXPECT_GT(forger.sent(), 20u);
    EXPECT_TRUE(silent.offered.empty());
    EXPECT_EQ(silent.steps, 8);

    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2, kQuick);
    ASSERT_EQ(engine.searchAllAddresses(pcAddresses(), SearchTarget::at("192.0.2.10")), SearchResult::Done);
    EXPECT_EQ(listedByName(engine), (std::map<std::string, std::string>{{"ALPHA", "192.0.2.10"}}));
}

// With the protocol's waits: junk every 1.5 s used to restart each 2-second
// wait, up to 100 times a round, and a stop was looked at only between rounds.
TEST_F(EngineLabTest, JunkNeitherStretchesASearchNorHoldsUpItsStop)
{
    ASSERT_TRUE(lab->addHost("mx", 'a', {"192.0.2.66/24"})) << lab->error;
    LabNetwork::Stranger shortJunk(*lab, "mx", "192.0.2.66", kSearchPorts, std::string("\x01\x02\x03", 3), 1500ms);
    LabNetwork::Stranger longJunk(*lab, "mx", "192.0.2.66", kSearchPorts, std::string(256, '\xFF'), 1500ms);

    RecordingSearchProgress progress;
    SearchEngine engine(progress, 2);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(engine.searchAllAddressesInParallel(pcAddresses(), SearchTarget::everyone()), SearchResult::Done);
    const double whole = secondsSince(start);
    RecordProperty("search_seconds", std::to_string(whole));
    EXPECT_GT(longJunk.sent(), 8u);
    EXPECT_EQ(engine.listedCount(), 5u);
    // One second's pause and four rounds of two seconds after the last answer.
    EXPECT_GT(whole, 8.5);
    EXPECT_LT(whole, 12.0);

    // "Cancel" in the middle of the second round, while junk keeps arriving.
    RecordingSearchProgress cancelled;
    SearchEngine window(cancelled, 2);
    // The thread starts in the PC's namespace, as this one is.
    auto search = std::async(std::launch::async,
                             [&] { return window.searchAllAddresses(pcAddresses(), SearchTarget::everyone()); });
    std::this_thread::sleep_for(3700ms);
    start = std::chrono::steady_clock::now();
    window.requestStop();
    ASSERT_EQ(search.wait_for(2s), std::future_status::ready);
    const double stopped = secondsSince(start);
    RecordProperty("stop_seconds", std::to_string(stopped));
    EXPECT_EQ(search.get(), SearchResult::Stopped);
    EXPECT_LT(stopped, 0.5);
    EXPECT_EQ(cancelled.beeps, 1);
}
