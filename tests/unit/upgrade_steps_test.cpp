// The firmware upgrade against quillmar-sim on loopback: the command port on
// 127.0.0.1:5001 and the serial loader on a pseudo-terminal that COM7 is mapped
// to. Waits are shortened except in the one real-time test.
#include <gtest/gtest.h>

#include <net/if.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "maintenance/image_kind.h"
#include "maintenance/maintenance_messages.h"
#include "maintenance/maintenance_result.h"
#include "maintenance/maintenance_steps.h"
#include "maintenance/xmodem_sender.h"
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
    timing.serialCollect = 300ms;
    timing.xmodem.writePause = 1ms;
    timing.xmodem.answerWait = 600ms;
    timing.xmodem.startWait = 2000ms;
    return timing;
}

std::string bytes(std::size_t count)
{
    std::string data;
    for (std::size_t i = 0; i < count; ++i)
        data.push_back(static_cast<char>((i * 7 + i / 128) & 0xFF));
    return data;
}

// The simulator logs what it received a moment after the PC sent it.
bool eventually(const std::function<bool()>& done)
{
    for (int i = 0; i < 100 && !done(); ++i)
        std::this_thread::sleep_for(20ms);
    return done();
}

class UpgradeOverPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = temp_.native();
        setenv("QUILLMAR_COM7", (dir_ + "/com7").c_str(), 1);
    }
    void TearDown() override { sim_.reset(); }

    // Starts the module with these loader faults (", key=value..." or empty).
    void startModule(const std::string& loaderFaults, const std::string& nakEvery = "nakEvery=100")
    {
        sim_.reset();
        sim_ = std::make_unique<test::SimProcess>(
            test::simPath(), std::vector<std::string>{"--session", "address=127.0.0.1", "--loader-pty",
                                                      dir_ + "/com7,image=" + image() + "," + nakEvery + loaderFaults});
        ASSERT_TRUE(sim_->ready()) << sim_->error;
    }

    int upgrade(const std::string& firmware, const MaintenanceTiming& timing = fastTiming(),
                const std::string& port = "COM7")
    {
        std::ofstream(dir_ + "/image.bin", std::ios::binary) << firmware;
        return upgradeFile(dir_ + "/image.bin", timing, port);
    }
    int upgradeFile(const std::string& path, const MaintenanceTiming& timing = fastTiming(),
                    const std::string& port = "COM7")
    {
        test::TestHelpers helpers(tables_, progress_);
        const SessionEnvironment environment{
            {{0x7F000001u, if_nametoindex("lo")}}, &helpers.helpers, &progress_, &stop_, timing};
        return runUpgradeSteps({port, "127.0.0.1", "02:51:7f:00:00:01", "", path}, environment);
    }

    std::string image() const { return dir_ + "/received.bin"; }

    test::TempDirectory temp_;
    std::string dir_;
    std::unique_ptr<test::SimProcess> sim_;
    test::RecordingHostTables tables_;
    test::RecordingProgress progress_;
    std::atomic<bool> stop_{false};
};

TEST_F(UpgradeOverPty, SendsWholeBlocksAndPadsTheLastShortOneWithSub)
{
    struct Case {
        std::size_t size;
        std::size_t blocks;
    };
    for (const Case& c : {Case{128 * 3, 3}, Case{128 * 3 + 1, 4}, Case{5, 1}}) {
        startModule("");
        const std::string firmware = bytes(c.size);
        ASSERT_EQ(upgrade(firmware), maintenance::kOk) << c.size;
        EXPECT_EQ(sim_->lines("loader-block").size(), c.blocks) << c.size;
        std::string padded = firmware;
        padded.resize(c.blocks * 128, static_cast<char>(kXmodemPad));
        EXPECT_TRUE(readFile(image()) == padded) << c.size;
        EXPECT_EQ(progress_.blocks(), std::make_pair(std::int64_t(c.blocks), std::int64_t(c.blocks)));
        EXPECT_TRUE(eventually([&] { return sim_->lines("loader-confirm").size() == 1; })) << "the second U";
        EXPECT_EQ(sim_->lines("login").size(), 1u);
        EXPECT_EQ(sim_->lines("command-line", "len", "6").size(), 1u) << "the upgrade logs in without a password";
        EXPECT_TRUE(eventually([&] { return sim_->lines("session-closed").size() == 1; }))
            << "the socket is closed at the end";
    }
    // Every route and neighbour entry added was removed again.
    const std::vector<std::string> changes = tables_.changes();
    EXPECT_EQ(std::count_if(changes.begin(), changes.end(), [](auto& l) { return l.starts_with("route+"); }), 3);
    EXPECT_EQ(std::count_if(changes.begin(), changes.end(), [](auto& l) { return l.starts_with("route-"); }), 3);
    EXPECT_EQ(std::count_if(changes.begin(), changes.end(), [](auto& l) { return l.starts_with("neigh-"); }), 3);
}

TEST_F(UpgradeOverPty, TheTwoHundredFiftySixthBlockIsNumberedZero)
{
    startModule("");
    const std::string firmware = bytes(128 * 257);
    ASSERT_EQ(upgrade(firmware), maintenance::kOk);
    const std::vector<test::SimLogLine> blocks = sim_->lines("loader-block");
    ASSERT_EQ(blocks.size(), 257u);
    EXPECT_EQ(blocks[254].fields.at("number"), "255");
    EXPECT_EQ(blocks[255].fields.at("number"), "0");
    EXPECT_EQ(blocks[255].fields.at("complement"), "255");
    EXPECT_EQ(blocks[256].fields.at("number"), "1");
    EXPECT_TRUE(readFile(image()) == firmware);
}

TEST_F(UpgradeOverPty, ABlockIsSentAtMostTwelveTimes)
{
    struct Case {
        int naks;
        int result;
        std::size_t sends;
    };
    for (const Case& c : {Case{11, maintenance::kOk, 12}, Case{12, maintenance::kDownloadFailed, 12}}) {
        startModule(",nak=" + std::to_string(c.naks));
        EXPECT_EQ(upgrade(bytes(300)), c.result) << c.naks;
        EXPECT_EQ(sim_->lines("loader-block", "number", "1").size(), c.sends) << c.naks;
    }
}

TEST_F(UpgradeOverPty, LoaderFaults)
{
    struct Case {
        const char* faults;
        int result;
        std::vector<std::string> eotAnswers;  // as the loader logged them
    };
    const Case cases[] = {
        {",menu=plain", maintenance::kLoaderMenuFailed, {}},
        {",stray=1", maintenance::kOk, {"ack"}},
        {",drop=2", maintenance::kDownloadFailed, {}},
        // An EOT answered with NAK is sent again; one never answered fails
        // the download, and the loader never had the image.
        {",eot=nakonce", maintenance::kOk, {"nak", "ack"}},
        {",eot=silent", maintenance::kDownloadFailed, {"none"}},
    };
    for (const Case& c : cases) {
        startModule(c.faults);
        EXPECT_EQ(upgrade(bytes(128 * 5)), c.result) << c.faults;
        std::vector<std::string> answers;
        for (const test::SimLogLine& line : sim_->lines("loader-eot"))
            answers.push_back(line.fields.at("answer"));
        EXPECT_EQ(answers, c.eotAnswers) << c.faults;
        EXPECT_EQ(sim_->lines("loader-image").size(), c.result == maintenance::kOk ? 1u : 0u) << c.faults;
        if (c.result == maintenance::kLoaderMenuFailed) {
            EXPECT_TRUE(sim_->lines("loader-select").empty()) << "no U without the menu";
        }
        if (c.result == maintenance::kOk) {
            EXPECT_TRUE(readFile(image()) == bytes(128 * 5));
        }
    }
}

TEST_F(UpgradeOverPty, NothingReachesTheDeviceUnlessPortFileAndPrivilegeAreThere)
{
    startModule("");
    setenv("QUILLMAR_COM8", (dir_ + "/no-such-port").c_str(), 1);
    EXPECT_EQ(upgrade(bytes(10), fastTiming(), "COM8"), maintenance::kNoDeviceOrSerialPort);
    EXPECT_EQ(upgrade(bytes(10), fastTiming(), "LPT1"), maintenance::kNoDeviceOrSerialPort);
    // A device named by its path is opened as it is.
    EXPECT_EQ(upgrade(bytes(10), fastTiming(), dir_ + "/no-such-device"), maintenance::kNoDeviceOrSerialPort);
    EXPECT_EQ(upgrade(""), maintenance::kOpenFileFailed);
    // A FIFO is never waited on, whatever its name (this one is no UTF-8).
    const std::string fifo = dir_ + "/fw\xff.bin";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(upgradeFile(fifo), maintenance::kOpenFileFailed);
    tables_.privileged = false;
    EXPECT_EQ(upgrade(bytes(10)), maintenance::kMissingPrivilege);
    EXPECT_TRUE(sim_->lines("session-open").empty());
    EXPECT_TRUE(tables_.changes().empty());
    const std::vector<std::string> lines = progress_.lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_NE(lines[0].find("No such file"), std::string::npos) << lines[0];
    EXPECT_NE(lines[3].find("empty"), std::string::npos) << lines[3];
    EXPECT_NE(lines[4].find("not a regular file"), std::string::npos) << lines[4];
}

// A file of 300 GiB (sparse) has 2516582400 blocks, more than an int holds.
TEST_F(UpgradeOverPty, TheBlockCountOfAHugeFileIsNotCutShort)
{
    startModule(",drop=1");
    const std::string path = dir_ + "/huge.bin";
    std::ofstream(path, std::ios::binary) << "x";
    ASSERT_EQ(::truncate(path.c_str(), 300LL << 30), 0);
    EXPECT_EQ(upgradeFile(path), maintenance::kDownloadFailed);
    const std::vector<std::string> texts = progress_.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "downloading...1/2516582400 package"), texts.end());
    EXPECT_EQ(progress_.blocks(), std::make_pair(std::int64_t(2), std::int64_t(2516582400)));
}

// "$SYCR" that never left the PC (the connection went before it): "send
// command failed", with the reason logged, and the reply is not awaited.
TEST_F(UpgradeOverPty, ACommandThatWasNeverSentIsAFailure)
{
    startModule("");
    test::TestHelpers helpers(tables_, progress_);
    DeviceSession session({"", "127.0.0.1", "02:51:7f:00:00:01", "", ""}, false,
                          {{{0x7F000001u, if_nametoindex("lo")}}, &helpers.helpers, &progress_, &stop_, fastTiming()});
    ASSERT_EQ(session.reachDevice(), maintenance::kOk);
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(session.loginAndCommand("$SYCR\r\n", 7, true,
                                      [&session] {
                                          session.closeConnection();
                                          return true;
                                      }),
              maintenance::kLoginFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - began, 1s) << "nothing is awaited for a line never sent";
    EXPECT_EQ(rebootOutcome(maintenance::kLoginFailed)->text, "send command failed");
    ASSERT_FALSE(progress_.lines().empty());
    EXPECT_EQ(progress_.lines().back(), "command $SYCR not sent: Bad file descriptor");
    EXPECT_TRUE(eventually([&] { return sim_->lines("login").size() == 1; }));
    EXPECT_TRUE(sim_->lines("command-line", "len", "7").empty());
}

// A stop that comes while the log-in is awaited: the module is never told to
// hand over to its loader.
TEST_F(UpgradeOverPty, AStopBeforeTheHandOverSendsNoSycs)
{
    startModule("");
    tables_.afterChange = [this](const std::string& change) {
        if (change.starts_with("route+"))
            stop_ = true;
    };
    EXPECT_EQ(upgrade(bytes(300)), maintenance::kStopped);
    EXPECT_TRUE(eventually([&] { return sim_->lines("session-closed").size() == 1; }));
    EXPECT_EQ(sim_->lines("login").size(), 1u);
    EXPECT_TRUE(sim_->lines("command").empty());
    EXPECT_TRUE(sim_->lines("loader-menu").empty());
    EXPECT_EQ(tables_.changes().back().substr(0, 6), "neigh-");
}

TEST_F(UpgradeOverPty, ABusyPortIsRefused)
{
    startModule("");
    SerialLine other;
    ASSERT_EQ(other.open(dir_ + "/com7"), 0);
    EXPECT_EQ(upgrade(bytes(10)), maintenance::kNoDeviceOrSerialPort);
    EXPECT_TRUE(sim_->lines("session-open").empty());
}

// The real limits: a loader that never asks for the first block ends the
// download 36 seconds after it began (plus at most one read's collect time).
TEST_F(UpgradeOverPty, ALoaderThatNeverNaksFailsAfterThirtySixSeconds)
{
    startModule(",nak=never");
    EXPECT_EQ(upgrade(bytes(1000), MaintenanceTiming{}), maintenance::kDownloadFailed);
    const auto began = progress_.timeOf("downloading...");
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(test::RecordingProgress::Clock::now()
                                                                              - began);
    EXPECT_GE(waited.count(), 36000);
    EXPECT_LT(waited.count(), 36000 + 2000 + 1500);
    EXPECT_TRUE(sim_->lines("loader-block").empty());
}

}  // namespace

namespace quillmar {

TEST(ImageKind, ArchivesProgramsDocumentsAndTextAreNamedAndAnImageIsNot)
{
    const struct {
        QByteArray head;
        const char* kind;  // nullptr: looks like none of them
    } cases[] = {
        {QByteArray("PK\x03\x04rest", 8), "a ZIP archive"},
        {QByteArray("\x1F\x8B\x08", 3), "a gzip archive"},
        {QByteArray("\xFD"
                    "7zXZ\x00\x00",
                    7),
         "an xz archive"},
        {QByteArray("7z\xBC\xAF\x27\x1C\x00", 7), "a 7z archive"},
        {QByteArray("\x7F"
                    "ELF\x02",
                    5),
         "an ELF program"},
        {QByteArray("MZ\x90\x00", 4), "a Windows program"},
        {"%PDF-1.7\n\x80\x81", "a PDF document"},
        {" \r\n<?XML version=\"1.0\"?>\x01", "an XML document"},
        {"\t<!doctype html>\x01", "an HTML page"},
        {"<HTML><body>\x02", "an HTML page"},
        {"plain text\r\n\tand more\n", "a text file"},
        {QByteArray("\x55\xAA\xF2\x00\x01\x03", 6), nullptr},  // a web image's first bytes
        {QByteArray("text, then a zero\x00", 18), nullptr},
        {QByteArray(), nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<QString> kind = lookalikeKind(c.head);
        EXPECT_EQ(kind.value_or(QString()), QString::fromLatin1(c.kind ? c.kind : "")) << c.head.toHex().toStdString();
    }
}

}  // namespace quillmar
