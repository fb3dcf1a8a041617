// The web image upload in the lab with the real timing: modules on
// 203.0.113.0/24, a subnet the PC does not have, so the TFTP transfer reaches
// them only while the session's host route and neighbour entry are still in
// place; the PC's tables are the same after every outcome as before it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "lab/maintenance_lab.h"
#include "maintenance/maintenance_result.h"
#include "maintenance/web_upload_steps.h"
#include "platform/local_addresses.h"
#include "support/maintenance_run.h"
#include "support/recording_host_tables.h"

using namespace quillmar;
using namespace quillmar::test;

namespace {

// Uploads as the PC, with the real tables and waits.
int uploadAsPc(const LabNetwork& lab, const MaintenanceRequest& request)
{
    int result = 99;
    std::thread pc([&] {
        LabNetwork::PcScope scope(lab);
        if (!scope.entered() || !LabNetwork::PcScope::seesOnlyTheLabPc())
            return;
        NetlinkHostTables tables;
        RecordingProgress progress;
        TestHelpers helpers(tables, progress);
        const SessionEnvironment environment{IfaddrsAddressSource().read().addresses, &helpers.helpers, &progress,
                                             nullptr, MaintenanceTiming{}};
        result = runWebUploadSteps(request, environment);
    });
    pc.join();
    return result;
}

std::string bytes(std::size_t count)
{
    std::string data;
    for (std::size_t i = 0; i < count; ++i)
        data.push_back(static_cast<char>(i * 31 + 7));
    return data;
}

long long at(const SimLogLine& line)
{
    return std::stoll(line.fields.at("t"));
}

class WebUploadLab : public MaintenanceLabTest {
protected:
    std::string image(const std::string& content) const
    {
        const std::string path = dir + "/site.anf";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
        return path;
    }
    std::string stored(const SimProcess& sim, const std::string& module, std::size_t images) const
    {
        for (int i = 0; i < 100 && sim.lines("tftp-image", "module", module).size() < images; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream file(dir + "/" + module + ".anf", std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
};

}  // namespace

TEST_F(WebUploadLab, BlocksGoToThePortThatAnsweredOnBothLinks)
{
    SimProcess& linkA = lab->startSim("ma", {"--session", "address=203.0.113.11", "--tftp",
                                             "address=203.0.113.11,image=" + dir + "/203.0.113.11.anf"});
    SimProcess& linkB = lab->startSim(
        "mb", {"--session", std::string("address=") + kLinkBModule, "--tftp",
               std::string("address=") + kLinkBModule + ",image=" + dir + "/" + kLinkBModule + ".anf"});
    ASSERT_TRUE(linkA.ready()) << linkA.error;
    ASSERT_TRUE(linkB.ready()) << linkB.error;
    const HostTablesSnapshot before = tables();

    struct Case {
        std::size_t size;
        std::size_t blocks;
    };
    std::size_t images = 0;
    for (const Case& c : {Case{1024, 2}, Case{1025, 3}}) {
        const std::string content = bytes(c.size);
        EXPECT_EQ(uploadAsPc(*lab, {"", "203.0.113.11", kLinkAMac, "", image(content)}), maintenance::kOk) << c.size;
        ++images;
        EXPECT_TRUE(stored(linkA, "203.0.113.11", images) == content) << c.size;
        EXPECT_EQ(tables(), before) << c.size;
    }
    const auto blocks = linkA.lines("tftp-block");
    ASSERT_EQ(blocks.size(), 5u);
    EXPECT_EQ(blocks[4].fields.at("len"), "1");
    const auto acks = linkA.lines("tftp-ack", "block", "0");
    ASSERT_EQ(acks.size(), 2u);
    EXPECT_FALSE(acks[0].fields.at("from").ends_with(":69"));
    EXPECT_EQ(blocks[0].fields.at("to"), acks[0].fields.at("from"));
    const auto requests = linkA.lines("tftp-request");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].fields.at("from").starts_with("192.0.2.1:"));
    EXPECT_EQ(requests[0].fields.at("tsize"), "1024");
    EXPECT_EQ(requests[0].fields.at("file"), "site.anf") << "the base name alone";
    // The command port's connection was closed before the request.
    EXPECT_LT(at(linkA.lines("session-closed")[0]), at(requests[0]));
    // One second after "$SYCN", and half a second more before the request.
    const long long pause = at(requests[0]) - at(linkA.lines("command")[0]);
    EXPECT_GE(pause, 1500);
    EXPECT_LT(pause, 2500);

    // Reached only through the second interface, and still reached by TFTP.
    const std::string content = bytes(3000);
    EXPECT_EQ(uploadAsPc(*lab, {"", kLinkBModule, kLinkBMac, "", image(content)}), maintenance::kOk);
    EXPECT_TRUE(stored(linkB, kLinkBModule, 1) == content);
    EXPECT_TRUE(linkB.lines("tftp-request")[0].fields.at("from").starts_with("198.51.100.1:"));
    EXPECT_EQ(tables(), before);
}

TEST_F(WebUploadLab, ADuplicateAcknowledgementAndSilenceFail)
{
    SimProcess& sim = lab->startSim(
        "ma", {"--session", "address=203.0.113.12", "--tftp", "address=203.0.113.12,fault=duplicate,faultBlock=2",
               "--session", "address=203.0.113.13", "--tftp", "address=203.0.113.13,fault=silent,faultBlock=0"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const HostTablesSnapshot before = tables();

    EXPECT_EQ(uploadAsPc(*lab, {"", "203.0.113.12", kLinkAMac, "", image(bytes(2000))}), maintenance::kTftpPutFailed);
    EXPECT_EQ(sim.lines("tftp-block", "module", "203.0.113.12").size(), 2u) << "nothing after the duplicate";
    EXPECT_EQ(tables(), before);

    EXPECT_EQ(uploadAsPc(*lab, {"", "203.0.113.13", kLinkAMac, "", image(bytes(2000))}),
              maintenance::kSendRequestFailed);
    const auto requests = sim.lines("tftp-request", "module", "203.0.113.13");
    ASSERT_EQ(requests.size(), 3u);
    for (std::size_t i = 1; i < requests.size(); ++i) {
        const long long gap = at(requests[i]) - at(requests[i - 1]);
        EXPECT_GE(gap, 1950) << i;
        EXPECT_LT(gap, 2300) << i;
    }
    EXPECT_EQ(tables(), before);
}
