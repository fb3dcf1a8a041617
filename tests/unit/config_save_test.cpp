#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/save_exchange.h"
#include "config/save_records.h"
#include "record/config_block.h"
#include "support/wait_until.h"

using namespace quillmar;

namespace {

// The exchange's timer needs an event dispatcher.
class CoreApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "config_save_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QCoreApplication> app_;
};
[[maybe_unused]] auto* const coreApplication = ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

struct Sent {
    QString address;
    quint16 port;
    QByteArray datagram;
};

class RecordingHost : public SaveExchangeHost {
public:
    void sendDatagram(const QString& address, quint16 port, const QByteArray& datagram) override
    {
        if (refuseSends)
            throw std::runtime_error("Null Remote Address");
        sent.push_back({address, port, datagram});
    }
    void showStatus(const QString& text) override { status = text; }
    void showAnswerState(const QString& state) override { answerState = state; }
    void saveStarting() override { ++starting; }
    void saveSent() override { ++sentSaves; }
    void showAnsweredRecord(const DeviceEntry& answer) override { shown.push_back(answer); }
    void saveConfirmed() override { ++confirmed; }
    void saveUnconfirmed() override { ++unconfirmed; }
    void readUnanswered() override { ++unanswered; }
    void sendRefused(const QString& reason) override { refused << reason; }

    bool refuseSends = false;
    QStringList refused;
    std::vector<Sent> sent;
    QString status;
    QString answerState;
    int starting = 0;
    int sentSaves = 0;
    std::vector<DeviceEntry> shown;
    int confirmed = 0;
    int unconfirmed = 0;
    int unanswered = 0;
};

DeviceEntry someRecord()
{
    DeviceEntry record;
    record.setText(DeviceField::ModelName, "RX7000 WI-FI");
    record.setText(DeviceField::IpAddress, "192.0.2.30");
    record.setText(DeviceField::Ssid, "NewNet");
    return record;
}

QByteArray bytesOf(const DeviceEntry& record)
{
    return QByteArray(record.data(), 256);
}

void tickTimes(SaveExchange& exchange, int times)
{
    for (int i = 0; i < times; ++i)
        exchange.tick();
}

}  // namespace

TEST(BlockRecordBytes, TheBlockRecordFieldByField)
{
    ConfigBlock block;
    block.setText(DeviceField::ModelName, "RX7000");
    // Bytes after a terminator inside a field do not travel.
    block.fieldData(DeviceField::ModelName)[10] = 'x';
    block.setText(DeviceField::WpaPsk, std::string(72, 'k'));
    block.setText(ConfigField::OpModeCode, "UD");
    const QByteArray bytes = blockRecordBytes(block);
    DeviceEntry expected;
    expected.setText(DeviceField::ModelName, "RX7000");
    expected.setText(DeviceField::WpaPsk, std::string(72, 'k'));
    EXPECT_EQ(bytes.toHex(), bytesOf(expected).toHex());
}

TEST(UdpSaveRecord, OnlyAnAddressTheModuleCanBeReachedAtIsSent)
{
    for (const quint32 address : {0x00000000u, 0xFF000001u, 0xC0FF0201u, 0xC000FF01u, 0xC00002FFu})
        EXPECT_FALSE(isReachableModuleAddress(address)) << std::hex << address;
    for (const quint32 address : {0xC0000201u, 0x7F000001u, 0x0A0000FEu})
        EXPECT_TRUE(isReachableModuleAddress(address)) << std::hex << address;
}

TEST(SaveExchange, SilentModuleIsConfirmedAtTick31)
{
    RecordingHost host;
    SaveExchange exchange(host);
    EXPECT_EQ(exchange.timer().objectName(), "Timer1");
    EXPECT_EQ(exchange.timer().interval(), 1000);

    exchange.startSave(someRecord(), "192.0.2.20", "192.0.2.20");
    EXPECT_TRUE(exchange.isRunning());
    EXPECT_TRUE(exchange.timer().isActive());
    EXPECT_EQ(host.starting, 1);
    EXPECT_EQ(host.sentSaves, 1);
    EXPECT_EQ(host.status, "Waiting...");
    EXPECT_EQ(host.answerState, "NG");
    ASSERT_EQ(host.sent.size(), 2u);
    EXPECT_EQ(host.sent[0].address, "192.0.2.20");
    EXPECT_EQ(host.sent[0].port, 5000);
    EXPECT_EQ(host.sent[0].datagram, QByteArray::fromHex("AA1155"));
    EXPECT_EQ(host.sent[1].datagram, bytesOf(someRecord()));

    const char* const waiting[] = {"Waiting.", "Waiting..", "Waiting...", "Waiting...."};
    for (int tick = 1; tick <= 18; ++tick) {
        exchange.tick();
        ASSERT_EQ(host.status, waiting[tick % 4]) << "tick " << tick;
    }
    EXPECT_FALSE(exchange.probeSent());
    exchange.tick();  // 19: the probe, the status line stays
    EXPECT_TRUE(exchange.probeSent());
    EXPECT_EQ(exchange.saveTicks(), 19);
    EXPECT_EQ(host.status, waiting[18 % 4]);
    ASSERT_EQ(host.sent.size(), 3u);
    EXPECT_EQ(host.sent[2].datagram, QByteArray::fromHex("5511AA"));
    EXPECT_EQ(host.sent[2].port, 5000);

    tickTimes(exchange, 6);  // 20..25
    EXPECT_EQ(host.status, waiting[25 % 4]);
    exchange.tick();  // 26: silent
    EXPECT_EQ(exchange.saveTicks(), 26);
    EXPECT_EQ(host.status, waiting[25 % 4]);
    tickTimes(exchange, 4);  // 27..30
    EXPECT_EQ(exchange.saveTicks(), 30);
    EXPECT_EQ(host.confirmed, 0);
    exchange.tick();  // 31 decides
    EXPECT_EQ(host.confirmed, 1);
    EXPECT_EQ(host.status, "Save to Module OK");
    EXPECT_FALSE(exchange.isRunning());
    EXPECT_FALSE(exchange.timer().isActive());
    EXPECT_EQ(exchange.saveTicks(), 0);
    // Further ticks (a queued timer event) change nothing.
    tickTimes(exchange, 40);
    EXPECT_EQ(host.confirmed, 1);
    EXPECT_EQ(host.sent.size(), 3u);
}

TEST(SaveExchange, ProbeGoesToTheAddressTheWindowOpenedWith)
{
    RecordingHost host;
    SaveExchange exchange(host);
    exchange.startSave(someRecord(), "192.0.2.20", "192.0.2.21");
    tickTimes(exchange, 19);
    ASSERT_EQ(host.sent.size(), 3u);
    EXPECT_EQ(host.sent[0].address, "192.0.2.20");
    EXPECT_EQ(host.sent[2].address, "192.0.2.21");
}

TEST(SaveExchange, ModuleStillAnsweringAfterTheProbeIsNeverConfirmed)
{
    RecordingHost host;
    SaveExchange exchange(host);
    exchange.startSave(someRecord(), "192.0.2.20", "192.0.2.20");
    tickTimes(exchange, 19);
    exchange.answerReceived(bytesOf(someRecord()), "192.0.2.20");
    EXPECT_EQ(host.status, "Response from 192.0.2.20");
    EXPECT_EQ(host.answerState, "OK");
    EXPECT_TRUE(host.shown.empty());  // after the probe the boxes stay as they are
    tickTimes(exchange, 11);
    EXPECT_EQ(host.unconfirmed, 0);
    exchange.tick();  // 31 decides: the save ends, not confirmed
    EXPECT_EQ(host.confirmed, 0);
    EXPECT_EQ(host.unconfirmed, 1);
    EXPECT_EQ(host.status, "Save to Module not confirmed");
    EXPECT_FALSE(exchange.isRunning());
    EXPECT_FALSE(exchange.timer().isActive());
    tickTimes(exchange, 100);
    EXPECT_EQ(host.unconfirmed, 1);
    EXPECT_EQ(exchange.targetAddress(), "192.0.2.20");  // the module stayed where it was
    EXPECT_EQ(host.sent.size(), 3u);                    // one probe only
}

TEST(SaveExchange, ASaveGoesOutOnlyAfterTheModuleAnsweredARead)
{
    struct Case {
        const char* what;
        QByteArray answer;  // empty: none
        const char* from;
        bool planned;  // the planner gives the record
        int savesSent;
    };
    const Case cases[] = {
        {"no answer", {}, "", true, 0},
        {"an answer from another host", bytesOf(someRecord()), "192.0.2.99", true, 0},
        {"a record from the module", bytesOf(someRecord()), "192.0.2.20", true, 1},
        {"a short answer the planner refuses", QByteArray(3, 'x'), "192.0.2.20", false, 0},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        SaveExchange exchange(host);
        exchange.setReadWait(std::chrono::milliseconds(20));
        exchange.setTargetAddress("192.0.2.20");
        QList<QByteArray> planned;
        ASSERT_TRUE(exchange.readThenSave("192.0.2.20", [&](const QByteArray& answer) -> std::optional<DeviceEntry> {
            planned << answer;
            return c.planned ? std::optional(someRecord()) : std::nullopt;
        })) << c.what;
        ASSERT_EQ(host.sent.size(), 1u) << c.what;
        EXPECT_EQ(host.sent[0].datagram, QByteArray::fromHex("5511AA")) << c.what;
        EXPECT_TRUE(exchange.isReading()) << c.what;
        tickTimes(exchange, 40);  // the save's ticks do not move a read
        EXPECT_EQ(host.sent.size(), 1u) << c.what;
        if (!c.answer.isEmpty())
            exchange.answerReceived(c.answer, QString::fromLatin1(c.from));
        EXPECT_TRUE(test::waitUntil([&] { return !exchange.isReading(); }, 5000)) << c.what;

        const bool heard = c.answer.size() > 0 && QString::fromLatin1(c.from) == "192.0.2.20";
        EXPECT_EQ(planned.size(), heard ? 1 : 0) << c.what;
        EXPECT_EQ(host.unanswered, heard ? 0 : 1) << c.what;
        EXPECT_EQ(host.sentSaves, c.savesSent) << c.what;
        EXPECT_TRUE(host.shown.empty()) << c.what;  // the read's answer never fills the boxes
        EXPECT_EQ(exchange.isRunning(), c.savesSent == 1) << c.what;
        if (c.savesSent == 1) {
            ASSERT_EQ(host.sent.size(), 3u) << c.what;
            EXPECT_EQ(host.sent[1].datagram, QByteArray::fromHex("AA1155")) << c.what;
            EXPECT_EQ(host.sent[2].datagram, bytesOf(someRecord())) << c.what;
            tickTimes(exchange, 31);
            EXPECT_EQ(host.confirmed, 1) << c.what;
        } else {
            EXPECT_EQ(host.sent.size(), 1u) << c.what;
        }
    }
}

TEST(SaveExchange, AnswerToTheSaveRefreshesAndTheSilenceThenConfirms)
{
    RecordingHost host;
    SaveExchange exchange(host);
    exchange.setTargetAddress("192.0.2.20");
    DeviceEntry read = someRecord();
    read.setText(DeviceField::Ssid, "AsRead");
    exchange.readThenSave("192.0.2.20", [](const QByteArray&) { return std::optional(someRecord()); });
    exchange.answerReceived(bytesOf(read), "192.0.2.20");
    ASSERT_FALSE(exchange.isReading());
    // A late copy of the answer to the read is no news of the save: shown, it
    // would put the record as it was back into the boxes.
    exchange.answerReceived(bytesOf(read), "192.0.2.20");
    EXPECT_TRUE(host.shown.empty());
    tickTimes(exchange, 2);
    DeviceEntry answer = someRecord();
    answer.setText(DeviceField::Ssid, "Answered");
    exchange.answerReceived(bytesOf(answer), "192.0.2.20");
    EXPECT_EQ(host.status, "Response from 192.0.2.20");
    EXPECT_EQ(host.answerState, "NG");
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown.back().text(DeviceField::Ssid), "Answered");
    tickTimes(exchange, 28);
    EXPECT_EQ(host.confirmed, 0);
    exchange.tick();
    EXPECT_EQ(host.confirmed, 1);
    EXPECT_EQ(host.status, "Save to Module OK");
}

TEST(SaveExchange, OnlyAWholeRecordFromTheModuleCounts)
{
    // Before the probe the module is the destination; after it, the probed
    // address. A record is the first 256 bytes of a datagram.
    struct Case {
        const char* what;
        int length;
        const char* from;
        bool afterProbe;
        bool counts;
    };
    const Case cases[] = {
        {"record from the destination", 256, "192.0.2.20", false, true},
        {"short datagram from the destination", 3, "192.0.2.20", false, false},
        {"long datagram from the destination", 300, "192.0.2.20", false, true},
        {"long datagram from the probed address", 300, "192.0.2.21", true, true},
        {"record from another host", 256, "192.0.2.99", false, false},
        {"record from the probed address", 256, "192.0.2.21", true, true},
        {"record from the destination after the probe", 256, "192.0.2.20", true, false},
        {"short datagram from the probed address", 255, "192.0.2.21", true, false},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        SaveExchange exchange(host);
        exchange.startSave(someRecord(), "192.0.2.20", "192.0.2.21");
        tickTimes(exchange, c.afterProbe ? 19 : 2);
        const QString statusBefore = host.status;
        exchange.answerReceived(bytesOf(someRecord()).leftJustified(c.length, '\0', true), QString::fromLatin1(c.from));
        const bool counted = host.status != statusBefore;
        EXPECT_EQ(counted, c.counts) << c.what;
        EXPECT_EQ(host.shown.size(), c.counts && !c.afterProbe ? 1u : 0u) << c.what;
        EXPECT_EQ(host.answerState, c.counts && c.afterProbe ? "OK" : "NG") << c.what;
    }
}

TEST(SaveExchange, AfterAConfirmedSaveTheModuleIsWhereItWasSent)
{
    RecordingHost host;
    SaveExchange exchange(host);
    exchange.setTargetAddress("192.0.2.20");
    exchange.startSave(someRecord(), "192.0.2.20");  // the record moves the module to 192.0.2.30
    tickTimes(exchange, 31);
    ASSERT_EQ(host.confirmed, 1);
    EXPECT_EQ(exchange.targetAddress(), "192.0.2.30");
    EXPECT_EQ(exchange.probeAddress(), "192.0.2.30");

    // The second save, its probe and a read all go to the new address, and
    // the module answering there after the probe keeps the save unconfirmed.
    host.sent.clear();
    exchange.startSave(someRecord(), exchange.probeAddress());
    tickTimes(exchange, 19);
    exchange.answerReceived(bytesOf(someRecord()), "192.0.2.30");
    tickTimes(exchange, 12);
    EXPECT_EQ(host.confirmed, 1);
    EXPECT_GE(host.unconfirmed, 1);
    ASSERT_EQ(host.sent.size(), 3u);
    for (const Sent& sent : host.sent)
        EXPECT_EQ(sent.address, "192.0.2.30");
}

TEST(SaveExchange, EachWindowKeepsItsOwnCounterAndAStoppedOneNeverTicks)
{
    RecordingHost hostA;
    RecordingHost hostB;
    SaveExchange a(hostA);
    SaveExchange b(hostB);
    a.startSave(someRecord(), "192.0.2.20", "192.0.2.20");
    b.startSave(someRecord(), "198.51.100.20", "198.51.100.20");
    tickTimes(a, 31);
    EXPECT_EQ(hostA.confirmed, 1);
    EXPECT_EQ(b.saveTicks(), 0);
    EXPECT_FALSE(b.probeSent());
    EXPECT_EQ(hostB.sent.size(), 2u);

    // A closed window's exchange stops and is not moved by anything after.
    tickTimes(b, 5);
    b.stop();
    EXPECT_FALSE(b.timer().isActive());
    tickTimes(b, 40);
    EXPECT_EQ(b.saveTicks(), 5);
    EXPECT_EQ(hostB.confirmed, 0);
    EXPECT_EQ(hostB.sent.size(), 2u);

    // A new save in the other window starts from its own zero.
    a.startSave(someRecord(), "192.0.2.20", "192.0.2.20");
    EXPECT_EQ(a.saveTicks(), 0);
    EXPECT_EQ(b.saveTicks(), 5);
}

TEST(SaveExchange, RefusedSendEndsTheSaveAndIsReportedOnce)
{
    RecordingHost host;
    host.refuseSends = true;
    SaveExchange exchange(host);
    EXPECT_FALSE(exchange.startSave(someRecord(), "0.0.0.0", "0.0.0.0"));
    EXPECT_FALSE(exchange.isRunning());
    EXPECT_FALSE(exchange.timer().isActive());
    EXPECT_EQ(host.refused, QStringList{"Null Remote Address"});
    EXPECT_EQ(host.sentSaves, 0);

    // A probe refused at tick 19 ends the save too: never "Save to Module OK".
    host.refuseSends = false;
    ASSERT_TRUE(exchange.startSave(someRecord(), "192.0.2.20", "192.0.2.20"));
    host.refuseSends = true;
    tickTimes(exchange, 40);
    EXPECT_FALSE(exchange.isRunning());
    EXPECT_EQ(host.confirmed, 0);
    EXPECT_EQ(host.refused.size(), 2);
}

TEST(SaveExchange, ReadRequestAndSecondEndpoint)
{
    RecordingHost host;
    SaveExchange exchange(host);
    exchange.setTargetAddress("192.0.2.20");
    EXPECT_TRUE(exchange.requestRead());
    EXPECT_EQ(host.status, "Waiting...");
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.sent[0].datagram, QByteArray::fromHex("5511AA"));
    EXPECT_FALSE(exchange.isRunning());
    exchange.answerReceived(bytesOf(someRecord()), "192.0.2.20");
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0], someRecord());
    exchange.secondEndpointAnswered();
    EXPECT_EQ(host.answerState, "OK");
}

TEST(SaveExchange, TheWindowsTimerDrivesTheTicks)
{
    RecordingHost host;
    QTimer windowTimer;
    windowTimer.setInterval(1);
    SaveExchange exchange(host, windowTimer);
    QEventLoop loop;
    QObject::connect(&windowTimer, &QTimer::timeout, &loop, [&] {
        if (!exchange.isRunning())
            loop.quit();
    });
    // Only a safety net against a hang; nothing is asserted on time.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(std::chrono::seconds(30));
    exchange.startSave(someRecord(), "192.0.2.20", "192.0.2.20");
    EXPECT_TRUE(windowTimer.isActive());
    loop.exec();
    EXPECT_EQ(host.confirmed, 1);
    EXPECT_EQ(host.sent.size(), 3u);
    EXPECT_FALSE(windowTimer.isActive());
}
