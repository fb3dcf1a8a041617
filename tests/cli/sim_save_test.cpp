// quillmar-sim's side of "Save to Module" on loopback, in a network namespace of
// the test's own: the module on 127.0.0.1:5000 takes the save header and the
// record, stores it, and then restarts under the record's address, keeps
// answering, or goes silent. Without --bind it hears 127.0.0.1 alone.
#include <gtest/gtest.h>

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "record/device_entry.h"
#include "support/sim_process.h"

namespace quillmar {
namespace {

const std::string kHeader("\xAA\x11\x55", 3);
const std::string kRead("\x55\x11\xAA", 3);

// The PC's side: a socket on 127.0.0.1 with a port of its own.
class Pc {
public:
    Pc()
    {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    }
    ~Pc() { ::close(fd_); }

    void send(const std::string& to, const std::string& bytes)
    {
        sockaddr_in destination{};
        destination.sin_family = AF_INET;
        destination.sin_port = htons(5000);
        ::inet_pton(AF_INET, to.c_str(), &destination.sin_addr);
        ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&destination), sizeof destination);
    }

    // The next datagram and who sent it; empty when none comes in `ms`.
    std::string receive(int ms, std::string* from = nullptr)
    {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, ms) <= 0)
            return {};
        char buffer[512];
        sockaddr_in sender{};
        socklen_t length = sizeof sender;
        const ssize_t n = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &length);
        if (from) {
            char text[INET_ADDRSTRLEN];
            *from = ::inet_ntop(AF_INET, &sender.sin_addr, text, sizeof text);
        }
        return n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
    }

private:
    int fd_ = -1;
};

std::string recordBytes(const std::string& address, const std::string& ssid)
{
    DeviceEntry record;
    record.setText(DeviceField::ModelName, "RX7000 WI-FI");
    record.setText(DeviceField::IpAddress, address);
    record.setText(DeviceField::Ssid, ssid);
    return std::string(record.data(), record.size());
}

test::SimProcess startSim(const std::string& keys)
{
    return test::SimProcess(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--bind", "127.0.0.2", "--module",
                                                "address=127.0.0.1,ssid=Before," + keys});
}

// Waits for a log line; the simulator writes it as it acts.
bool waitForLog(const test::SimProcess& sim, const std::string& event, std::size_t count = 1)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (sim.lines(event).size() < count) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(SimSave, StoresTheRecordIsSilentWhileRestartingAndComesBackUnderTheNewAddress)
{
    auto sim = startSim("save=restart,restartAfter=0.5");
    ASSERT_TRUE(sim.ready()) << sim.error;
    Pc pc;
    pc.send("127.0.0.1", kHeader);
    pc.send("127.0.0.1", recordBytes("127.0.0.2", "After"));
    ASSERT_TRUE(waitForLog(sim, "stored"));
    const auto stored = sim.lines("stored");
    EXPECT_EQ(stored[0].fields.at("ip"), "127.0.0.2");
    EXPECT_EQ(stored[0].fields.at("ssid"), "After");
    EXPECT_EQ(stored[0].fields.at("record"),
              QByteArray::fromStdString(recordBytes("127.0.0.2", "After")).toHex().toUpper().toStdString());

    // Restarting: a read request is not answered.
    pc.send("127.0.0.1", kRead);
    ASSERT_TRUE(waitForLog(sim, "silent"));
    ASSERT_TRUE(waitForLog(sim, "restarted"));
    EXPECT_EQ(sim.lines("restarted")[0].fields.at("module"), "127.0.0.2");
    EXPECT_EQ(sim.lines("restarted")[0].fields.at("here"), "yes");

    // Back: the old address is silent, the new one answers with the new record.
    pc.send("127.0.0.2", kRead);
    std::string from;
    const std::string answer = pc.receive(5000, &from);
    ASSERT_EQ(answer.size(), 256u);
    EXPECT_EQ(from, "127.0.0.2");
    EXPECT_EQ(DeviceEntry::fromBytes(answer.data(), answer.size()).text(DeviceField::Ssid), "After");
    // Datagrams are taken in order: an answer from the old address would come first.
    pc.send("127.0.0.1", kRead);
    pc.send("127.0.0.2", kRead);
    EXPECT_EQ(pc.receive(5000, &from).size(), 256u);
    EXPECT_EQ(from, "127.0.0.2");
}

TEST(SimSave, KeepAnsweringAnswersAtTheOldAddressWithTheNewRecord)
{
    auto sim = startSim("save=keep,answerSave=1");
    ASSERT_TRUE(sim.ready()) << sim.error;
    Pc pc;
    pc.send("127.0.0.1", kHeader);
    pc.send("127.0.0.1", recordBytes("127.0.0.2", "Kept"));
    // It answers the save itself.
    std::string answer = pc.receive(5000);
    ASSERT_EQ(answer.size(), 256u);
    EXPECT_EQ(DeviceEntry::fromBytes(answer.data(), answer.size()).text(DeviceField::Ssid), "Kept");
    pc.send("127.0.0.1", kRead);
    answer = pc.receive(5000);
    ASSERT_EQ(answer.size(), 256u);
    EXPECT_EQ(DeviceEntry::fromBytes(answer.data(), answer.size()).text(DeviceField::Ssid), "Kept");
}

TEST(SimSave, NeverAnswerGoesSilentForGood)
{
    auto sim = startSim("save=never");
    ASSERT_TRUE(sim.ready()) << sim.error;
    Pc pc;
    pc.send("127.0.0.1", kRead);
    EXPECT_EQ(pc.receive(5000).size(), 256u);
    pc.send("127.0.0.1", kHeader);
    pc.send("127.0.0.1", recordBytes("127.0.0.1", "Gone"));
    ASSERT_TRUE(waitForLog(sim, "stored"));
    pc.send("127.0.0.1", kRead);
    ASSERT_TRUE(waitForLog(sim, "silent"));
    EXPECT_TRUE(pc.receive(0).empty());
}

TEST(SimSave, ARecordWithoutAHeaderOrOfTheWrongLengthIsNotStored)
{
    auto sim = startSim("save=keep");
    ASSERT_TRUE(sim.ready()) << sim.error;
    Pc pc;
    pc.send("127.0.0.1", recordBytes("127.0.0.2", "Stray"));
    pc.send("127.0.0.1", kHeader);
    pc.send("127.0.0.1", recordBytes("127.0.0.2", "Short").substr(0, 100));
    ASSERT_TRUE(waitForLog(sim, "refused"));
    pc.send("127.0.0.1", kRead);
    const std::string answer = pc.receive(5000);
    ASSERT_EQ(answer.size(), 256u);
    EXPECT_EQ(DeviceEntry::fromBytes(answer.data(), answer.size()).text(DeviceField::Ssid), "Before");
    EXPECT_TRUE(sim.lines("stored").empty());
}

// A demonstration must not answer the network it runs on: without --bind
// only 127.0.0.1 is heard, and the simulator says so.
TEST(SimSave, WithoutBindOnlyTheLoopbackAddressIsHeard)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--module", "address=127.0.0.1", "--module", "address=127.0.0.2"}, {},
                         test::SimProcess::Listen::AsItChooses);
    ASSERT_TRUE(sim.ready()) << sim.error;
    EXPECT_NE(sim.startOutput().find("listening on 127.0.0.1:5000 only"), std::string::npos) << sim.startOutput();
    Pc pc;
    pc.send("127.0.0.2", kRead);
    pc.send("127.0.0.1", kRead);
    std::string from;
    EXPECT_EQ(pc.receive(5000, &from).size(), 256u);
    EXPECT_EQ(from, "127.0.0.1");
    EXPECT_TRUE(pc.receive(300).empty());
    EXPECT_EQ(sim.requestCount(), 1u);
}

}  // namespace
}  // namespace quillmar
