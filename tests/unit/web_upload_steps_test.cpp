// The web image upload against quillmar-sim on loopback: modules on
// 127.0.0.1 to 127.0.0.8 (command port 5001 and TFTP port 69, so in a network
// namespace of its own), each with its own TFTP behaviour. Waits are
// shortened; the lab runs the real ones.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "maintenance/maintenance_result.h"
#include "maintenance/tftp_client.h"
#include "maintenance/web_upload_steps.h"
#include "support/file_contents.h"
#include "support/maintenance_run.h"
#include "support/recording_host_tables.h"
#include "support/sim_process.h"
#include "support/temp_directory.h"

using namespace quillmar;
using quillmar::test::readFile;
using namespace std::chrono_literals;

namespace {

MaintenanceTiming fastTiming()
{
    MaintenanceTiming timing;
    timing.connectPause = 50ms;
    timing.replyWait = 300ms;
    timing.tftp = {10ms, 10ms, 300ms, kTftpTries};
    return timing;
}

std::string bytes(std::size_t count)
{
    std::string data;
    for (std::size_t i = 0; i < count; ++i)
        data.push_back(static_cast<char>((i * 7 + i / 512) & 0xFF));
    return data;
}

class WebUploadOverLoopback : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = temp_.native();
        std::filesystem::create_directory(dir_ + "/site");
        // One module per TFTP behaviour; the seventh refuses the log-in, the
        // eighth has no command port and takes a request without "$SYCN".
        const char* tftp[] = {"",
                              ",fault=silent,faultBlock=0",
                              ",fault=error,faultBlock=0",
                              ",fault=duplicate,faultBlock=2",
                              ",fault=silent,faultBlock=2",
                              ",fault=otherport,faultBlock=1"};
        std::vector<std::string> arguments;
        for (int i = 0; i < 6; ++i) {
            const std::string address = "127.0.0." + std::to_string(i + 1);
            arguments.insert(arguments.end(), {"--session", "address=" + address, "--tftp",
                                               "address=" + address + ",image=" + received(i + 1) + tftp[i]});
        }
        arguments.insert(arguments.end(), {"--session", "address=127.0.0.7,login=refuse", "--tftp",
                                           "address=127.0.0.7,image=" + received(7), "--tftp",
                                           "address=127.0.0.8,armed=always,image=" + received(8)});
        sim_ = std::make_unique<test::SimProcess>(test::simPath(), arguments);
        ASSERT_TRUE(sim_->ready()) << sim_->error;
    }
    void TearDown() override { sim_.reset(); }

    std::string received(int module) const { return dir_ + "/received-" + std::to_string(module) + ".anf"; }
    // The module stores an image just after its last acknowledgement.
    std::string stored(int module, std::size_t images = 1) const
    {
        for (int i = 0; i < 100 && lines("tftp-image", module).size() < images; ++i)
            std::this_thread::sleep_for(20ms);
        return readFile(received(module));
    }
    std::string image(const std::string& content) const
    {
        const std::string path = dir_ + "/site/site.anf";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
        return path;
    }

    int upload(int module, const std::string& path, const std::atomic<bool>* stop = nullptr)
    {
        test::TestHelpers helpers(tables_, progress_);
        const SessionEnvironment environment{
            {{0x7F000001u, if_nametoindex("lo")}}, &helpers.helpers, &progress_, stop, fastTiming()};
        const std::string address = "127.0.0." + std::to_string(module);
        return runWebUploadSteps({"", address, "02:51:7f:00:00:0" + std::to_string(module), "", path}, environment);
    }

    std::vector<test::SimLogLine> lines(const std::string& event, int module) const
    {
        return sim_->lines(event, "module", "127.0.0." + std::to_string(module));
    }

    test::TempDirectory temp_;
    std::string dir_;
    std::unique_ptr<test::SimProcess> sim_;
    test::RecordingHostTables tables_;
    test::RecordingProgress progress_;
};

}  // namespace

TEST_F(WebUploadOverLoopback, EachFaultEndsWithItsCode)
{
    struct Case {
        int module;
        int result;
        std::size_t requests;
    };
    const Case cases[] = {
        {2, maintenance::kSendRequestFailed, 3},  // silence: three requests
        {3, maintenance::kSendRequestFailed, 1},  // an error datagram
        {4, maintenance::kTftpPutFailed, 1},      // the first block's acknowledgement again
        {5, maintenance::kTftpPutFailed, 1},      // no acknowledgement of the second block
        {6, maintenance::kOk, 1},                 // acknowledgements from yet another port
        {7, maintenance::kLoginRefused, 0},
        {9, maintenance::kNotConnected, 0},  // no command port there
    };
    const std::string content = bytes(1500);
    for (const Case& c : cases) {
        EXPECT_EQ(upload(c.module, image(content)), c.result) << c.module;
        EXPECT_EQ(lines("tftp-request", c.module).size(), c.requests) << c.module;
    }
    EXPECT_EQ(lines("tftp-fault", 5).size(), 3u) << "the second block was sent three times";
    EXPECT_TRUE(stored(6) == content);
    EXPECT_EQ(progress_.blocks(), std::make_pair(std::int64_t(3), std::int64_t(3)))
        << "all of module 6's blocks acknowledged";
    EXPECT_FALSE(std::filesystem::exists(received(4)));
    EXPECT_TRUE(lines("command", 7).empty()) << "no $SYCN without a log-in";
}

TEST_F(WebUploadOverLoopback, NothingIsSentForAFileThatCannotBe)
{
    EXPECT_EQ(upload(1, dir_ + "/none.anf"), maintenance::kOpenFileFailed);
    EXPECT_EQ(upload(1, image("")), maintenance::kOpenFileFailed);
    EXPECT_EQ(upload(1, dir_ + "/site"), maintenance::kOpenFileFailed);
    std::atomic<bool> stop{true};
    EXPECT_EQ(upload(1, image("x"), &stop), maintenance::kStopped);
    tables_.privileged = false;
    EXPECT_EQ(upload(1, image("x")), maintenance::kMissingPrivilege);
    EXPECT_TRUE(sim_->lines("session-open").empty());
    EXPECT_TRUE(tables_.changes().empty());
}

// The client sends what the request announced: a file that turns out shorter
// or longer than that fails, and no datagram carries bytes it did not read.
TEST_F(WebUploadOverLoopback, OnlyTheAnnouncedBytesAreSent)
{
    const std::string content = bytes(1000);
    struct Case {
        std::uint64_t announced;
        std::size_t blocks;
    };
    std::size_t sent = 0;
    for (const Case& c : {Case{1500, 1}, Case{600, 2}}) {
        const int fd = ::open(image(content).c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        TftpUpload upload(htonl(0x7F000008u), fastTiming().tftp, progress_, nullptr);
        ASSERT_EQ(upload.sendRequest(*tftpWriteRequest("site.anf", c.announced)), TftpUpload::kDone);
        EXPECT_EQ(upload.sendData(fd, c.announced), TftpUpload::kFailed) << c.announced;
        ::close(fd);
        sent += c.blocks;
        EXPECT_EQ(lines("tftp-block", 8).size(), sent) << c.announced;
    }
    // The module has the 600 announced bytes, and the upload still failed.
    EXPECT_TRUE(stored(8) == content.substr(0, 600));
}

TEST(TftpWriteRequest, CarriesTheBaseNameOctetAndTheSize)
{
    const std::optional<std::string> request = tftpWriteRequest(tftpFileName("/srv/web/site.anf"), 1025);
    ASSERT_TRUE(request);
    const char expected[] = "\0\2site.anf\0octet\0tsize\0"
                            "1025";
    EXPECT_EQ(*request, std::string(expected, sizeof expected));  // the last NUL included
    EXPECT_EQ(tftpFileName("site.anf"), "site.anf");
    // 2 + 492 + 1 + 6 + 6 + 6: one byte more than a packet holds.
    EXPECT_FALSE(tftpWriteRequest(std::string(492, 'n'), 10000));
    EXPECT_TRUE(tftpWriteRequest(std::string(491, 'n'), 10000));
    EXPECT_FALSE(tftpWriteRequest("", 1));
}
