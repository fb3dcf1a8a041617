// quillmar-cli config set / export / import against a module played by the test
// on 127.0.0.2:5000 (the command sends from port 6000), with short ticks.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "record/device_entry.h"
#include "support/sample_devices.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

constexpr const char* kModuleAddress = "127.0.0.2";
const QByteArray kHeader = QByteArrayLiteral("\xAA\x11\x55");
const QByteArray kRead = QByteArrayLiteral("\x55\x11\xAA");

QByteArray bytesOf(const DeviceEntry& entry)
{
    return QByteArray(entry.data(), int(entry.size()));
}

// A module on its own thread: answers read requests (all of them, or only the
// first) with its record and writes down every datagram.
class LoopbackModule {
public:
    struct Received {
        QByteArray payload;
        int fromPort;
    };

    LoopbackModule(QByteArray record, bool answerEveryRead) : record_(std::move(record)), answerEvery_(answerEveryRead)
    {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(5000);
        ::inet_pton(AF_INET, kModuleAddress, &local.sin_addr);
        ready_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
        if (ready_)
            thread_ = std::thread([this] { serve(); });
    }

    ~LoopbackModule()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }

    bool ready() const { return ready_; }

    std::vector<Received> received()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }

private:
    void serve()
    {
        int reads = 0;
        while (!stop_) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0)
                continue;
            char buffer[512];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n =
                ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 0)
                continue;
            const QByteArray payload(buffer, int(n));
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                received_.push_back({payload, ntohs(from.sin_port)});
            }
            if (payload == kRead && (answerEvery_ || reads++ == 0)) {
                ::sendto(fd_, record_.constData(), std::size_t(record_.size()), 0,
                         reinterpret_cast<sockaddr*>(&from), fromLength);
            }
        }
    }

    QByteArray record_;
    bool answerEvery_;
    int fd_ = -1;
    bool ready_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<Received> received_;
};

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(QUILLMAR_CLI_PATH), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QStringList setCommand(const QStringList& fields)
{
    return QStringList{"config", "set", kModuleAddress} + fields + QStringList{"--tick-ms", "5"};
}

TEST(ConfigSetCli, SavesTheMergedRecordAndIsConfirmedWhenTheModuleGoesSilent)
{
    LoopbackModule module(bytesOf(test::kitchenPrinter(kModuleAddress, "00-1f-7c-12-34-56")), false);
    ASSERT_TRUE(module.ready());
    const CliRun run = runCli(setCommand({"SSID=NewNet", "devicename=Front", "ip=127.0.0.3"}));

    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Save to Module OK")) << run.out.toStdString();
    const auto got = module.received();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].payload, kRead);
    EXPECT_EQ(got[1].payload, kHeader);
    ASSERT_EQ(got[2].payload.size(), 256);
    EXPECT_EQ(got[3].payload, kRead);  // the probe, to the old address
    for (const auto& datagram : got)
        EXPECT_EQ(datagram.fromPort, 6000);

    DeviceEntry expected = test::kitchenPrinter(kModuleAddress, "00-1f-7c-12-34-56");
    expected.setText(DeviceField::Ssid, "NewNet");
    expected.setText(DeviceField::DeviceName, "Front");
    expected.setText(DeviceField::IpAddress, "127.0.0.3");
    expected.setText(DeviceField::MacAddress, "00-1F-7C-12-34-56");
    expected.setText(DeviceField::Key, "");  // AES: the WEP key is not sent
    EXPECT_EQ(got[2].payload, bytesOf(expected));
}

TEST(ConfigSetCli, ModuleStillAnsweringAfterTheProbeIsNotConfirmed)
{
    LoopbackModule module(bytesOf(test::kitchenPrinter(kModuleAddress, "00-1f-7c-12-34-56")), true);
    ASSERT_TRUE(module.ready());
    const CliRun run = runCli(setCommand({"ssid=NewNet"}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(run.out.contains("Save to Module OK"));
    EXPECT_TRUE(run.out.contains("Response from 127.0.0.2")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("the save was not confirmed")) << run.err.toStdString();
    EXPECT_EQ(module.received().size(), 4u);
}

TEST(ConfigSetCli, ABrokenRuleSendsNothing)
{
    LoopbackModule module(bytesOf(test::kitchenPrinter(kModuleAddress, "00-1f-7c-12-34-56")), true);
    ASSERT_TRUE(module.ready());
    CliRun run = runCli(setCommand({"ssid=Shop Net"}));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains("invalid SSID config!")) << run.err.toStdString();
    run = runCli(setCommand({"udpport=65536"}));
    EXPECT_TRUE(run.err.contains("invalid UDP Port")) << run.err.toStdString();
    run = runCli(setCommand({"authmode=SHARED", "encrytype=AES"}));
    EXPECT_TRUE(run.err.contains("encrytype AES is not offered with authmode SHARED")) << run.err.toStdString();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(runCli(setCommand({"colour=blue"})).exitCode, 2);
    EXPECT_EQ(runCli(setCommand({})).exitCode, 2);
    // The combination is read against the module's record: no save either.
    ASSERT_EQ(module.received().size(), 1u);
    EXPECT_EQ(module.received()[0].payload, kRead);
}

TEST(ConfigSetCli, ARecordTheWindowWouldRefuseIsNotSaved)
{
    DeviceEntry record = test::kitchenPrinter(kModuleAddress, "00-1f-7c-12-34-56");
    record.setText(DeviceField::MacAddress, "00:1F:7C:12:34:56");
    LoopbackModule module(bytesOf(record), false);
    ASSERT_TRUE(module.ready());
    const CliRun run = runCli(setCommand({"ssid=NewNet"}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("invalid MAC Address format!  about number.")) << run.err.toStdString();
    EXPECT_EQ(module.received().size(), 1u);
}

TEST(ConfigExportCli, WritesTheValidatedRecordAndReplacesAFileOnlyWithForce)
{
    LoopbackModule module(bytesOf(test::kitchenPrinter(kModuleAddress, "00-1f-7c-12-34-56")), true);
    ASSERT_TRUE(module.ready());
    test::TempDirectory dir;
    const QString path = dir.file("module.bin");

    CliRun run = runCli({"config", "export", kModuleAddress, path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), QStringLiteral("export configuration file finished"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    DeviceEntry expected = test::kitchenPrinter(kModuleAddress, "00-1f-7c-12-34-56");
    expected.setText(DeviceField::MacAddress, "00-1F-7C-12-34-56");
    EXPECT_EQ(file.readAll(), bytesOf(expected));
    file.close();

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("older");
    file.close();
    run = runCli({"config", "export", kModuleAddress, path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Please input another file name.")) << run.err.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("older"));
    file.close();

    run = runCli({"config", "export", kModuleAddress, path, "--force"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QFile(path).size(), 256);
}

TEST(ConfigImportCli, PrintsWhatTheKeyFileSets)
{
    test::TempDirectory dir;
    const QString path = dir.file("keys.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("header line\r\n$SBNRX9000\r\n$SLI192.0.2.77\r\n$SLWx\r\n$SBNnever\r\n");
    file.close();
    CliRun run = runCli({"config", "import", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.toStdString(), "Edit_devName = \"RX9000\"\nIP Address = 192.0.2.77\n");
    EXPECT_TRUE(run.err.contains("importData: 'x' is not a valid integer value")) << run.err.toStdString();

    run = runCli({"config", "import", dir.file("missing.txt")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("file isn't exists"));
}

}  // namespace
}  // namespace quillmar
