// quillmar-cli config show against a module played by the test on loopback: the
// module listens on 127.0.0.2:5000, the command sends from port 6000.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "record/device_entry.h"
#include "record_printing.h"

namespace quillmar {
namespace {

constexpr const char* kModuleAddress = "127.0.0.2";
constexpr std::uint16_t kModulePort = 5000;

int boundSocket(const char* address, std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &local.sin_addr);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

// A module that answers one read request.
class LoopbackModule {
public:
    LoopbackModule() : fd_(boundSocket(kModuleAddress, kModulePort)) {}
    ~LoopbackModule()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ready() const { return fd_ >= 0; }

    // Waits for the request, then sends `decoy` from another loopback address
    // (when given) and `answer` from the module's address.
    bool answerOneRequest(const QByteArray& answer, const QByteArray& decoy = {})
    {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, 10000) <= 0)
            return false;
        char buffer[64];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        request = QByteArray(buffer, int(std::max<ssize_t>(n, 0)));
        requestPort = ntohs(from.sin_port);
        if (!decoy.isEmpty()) {
            const int other = boundSocket("127.0.0.3", 0);
            ::sendto(other, decoy.constData(), std::size_t(decoy.size()), 0, reinterpret_cast<sockaddr*>(&from),
                     fromLength);
            ::close(other);
        }
        return ::sendto(fd_, answer.constData(), std::size_t(answer.size()), 0, reinterpret_cast<sockaddr*>(&from),
                        fromLength) == answer.size();
    }

    QByteArray request;
    int requestPort = 0;

private:
    int fd_;
};

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

QProcess* startCli(const QStringList& arguments)
{
    auto* process = new QProcess;
    process->start(QStringLiteral(QUILLMAR_CLI_PATH), arguments);
    process->waitForStarted();
    return process;
}

CliRun finish(QProcess* process)
{
    process->waitForFinished(30000);
    CliRun run{process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
               QString::fromUtf8(process->readAllStandardOutput()),
               QString::fromUtf8(process->readAllStandardError())};
    delete process;
    return run;
}

CliRun runCli(const QStringList& arguments)
{
    return finish(startCli(arguments));
}

QByteArray sampleRecord()
{
    DeviceEntry entry;
    entry.setText(DeviceField::ModelName, "RX4200-WIFI");
    entry.setText(DeviceField::DeviceName, "Kitchen\x1b[2J");
    entry.setText(DeviceField::MacAddress, "00:1F:7C:12:34:56");
    entry.setText(DeviceField::IpAddress, "127.0.0.2");
    entry.setText(DeviceField::TcpPort, "9100");
    entry.setText(DeviceField::UdpPort, "9101");
    entry.setText(DeviceField::IpMode, "STATIC");
    entry.setText(DeviceField::WifiMode, "Infra");
    entry.setText(DeviceField::AuthMode, "WPA2PSK");
    entry.setText(DeviceField::EncryType, "AES");
    entry.setText(DeviceField::Ssid, std::string(34, 'S'));  // fills its field, no terminator
    entry.setText(DeviceField::WpaPsk, "secret key");
    return QByteArray(entry.data(), int(entry.size()));
}

TEST(ConfigShow, PrintsTheRecordTheModuleAnswersWith)
{
    LoopbackModule module;
    ASSERT_TRUE(module.ready()) << "127.0.0.2:5000 is taken: " << std::strerror(errno);
    QProcess* cli = startCli({"config", "show", kModuleAddress});
    // An answer from another address is not the module's.
    ASSERT_TRUE(module.answerOneRequest(sampleRecord(), QByteArray(256, 'D')));
    const CliRun run = finish(cli);

    EXPECT_EQ(module.request, QByteArrayLiteral("\x55\x11\xAA"));
    EXPECT_EQ(module.requestPort, 6000);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 13) << run.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Model Name  : RX4200-WIFI"));
    EXPECT_EQ(lines[1], QStringLiteral("Device Name : Kitchen\\x1B[2J"));
    EXPECT_EQ(lines[2], QStringLiteral("MAC Address : 00:1F:7C:12:34:56"));
    EXPECT_EQ(lines[10], QStringLiteral("SSID        : ") + QString(34, 'S'));
    EXPECT_EQ(lines[12], QStringLiteral("WPAPSK      : secret key"));
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST(ConfigShow, JsonNamesTheFieldsAsTheDeviceList)
{
    LoopbackModule module;
    ASSERT_TRUE(module.ready());
    QProcess* cli = startCli({"config", "show", kModuleAddress, "--json"});
    ASSERT_TRUE(module.answerOneRequest(sampleRecord()));
    const CliRun run = finish(cli);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QJsonParseError error{};
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_EQ(object.size(), 13);
    EXPECT_EQ(object.value("Model Name").toString(), QStringLiteral("RX4200-WIFI"));
    EXPECT_EQ(object.value("Device Name").toString(), QStringLiteral("Kitchen\x1b[2J"));
    EXPECT_EQ(object.value("Auth Mode").toString(), QStringLiteral("WPA2PSK"));
    EXPECT_EQ(object.value("KEY").toString(), QString());
    EXPECT_EQ(object.value("SSID").toString(), QString(34, 'S'));
}

TEST(ConfigShow, AShortAnswerIsShownWithANote)
{
    LoopbackModule module;
    ASSERT_TRUE(module.ready());
    QProcess* cli = startCli({"config", "show", kModuleAddress, "--json"});
    ASSERT_TRUE(module.answerOneRequest(sampleRecord().left(100)));
    const CliRun run = finish(cli);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("100 bytes")) << run.err.toStdString();
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(object.value("MAC Address").toString(), QStringLiteral("00:1F:7C:12:34:56"));
    EXPECT_EQ(object.value("WPAPSK").toString(), QString());
}

TEST(ConfigShow, SaysSoWhenNothingAnswers)
{
    LoopbackModule module;  // holds the port and stays silent
    ASSERT_TRUE(module.ready());
    const CliRun run = runCli({"config", "show", kModuleAddress});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains("no answer from 127.0.0.2")) << run.err.toStdString();
}

TEST(ConfigShow, SaysSoWhenTheLocalPortIsTaken)
{
    const int holder = boundSocket("0.0.0.0", 6000);
    ASSERT_GE(holder, 0) << "port 6000 is taken";
    const CliRun run = runCli({"config", "show", kModuleAddress});
    ::close(holder);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("port 6000 is in use")) << run.err.toStdString();
}

TEST(ConfigShow, RefusesWhatIsNotTheAddressOfOneModule)
{
    const struct {
        const char* argument;
        const char* message;
    } cases[] = {
        {"0.0.0.0", "0.0.0.0 is not the address of a module"},
        {"255.255.255.255", "255.255.255.255 is the broadcast address"},
        {"printer.example", "'printer.example' is not an IPv4 address"},
        {"192.0.2.256", "'192.0.2.256' is not an IPv4 address"},
        {"192.0.2", "'192.0.2' is not an IPv4 address"},
    };
    for (const auto& c : cases) {
        const CliRun run = runCli({"config", "show", c.argument});
        EXPECT_EQ(run.exitCode, 2) << c.argument;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(runCli({"config", "show"}).exitCode, 2);
    EXPECT_EQ(runCli({"config", "show", kModuleAddress, "--table"}).exitCode, 2);
    EXPECT_EQ(runCli({"config", "show", kModuleAddress, kModuleAddress}).exitCode, 2);
    EXPECT_EQ(runCli({"config", "fetch"}).exitCode, 2);
}

TEST(ConfigShow, ReadsTheSimulatorsRecord)
{
    QProcess sim;
    sim.start(QStringLiteral(QUILLMAR_SIM_PATH),
              {"--bind", "127.0.0.1", "--module", "address=127.0.0.1,modelName=RX7000 WI-FI,ssid=Shop floor"});
    ASSERT_TRUE(sim.waitForStarted());
    QByteArray banner;
    while (!banner.contains("ready") && sim.waitForReadyRead(10000))
        banner += sim.readAllStandardOutput();
    ASSERT_TRUE(banner.contains("ready")) << sim.readAllStandardError().toStdString();

    const CliRun run = runCli({"config", "show", "127.0.0.1", "--json"});
    sim.terminate();
    sim.waitForFinished();
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(object.value("Model Name").toString(), QStringLiteral("RX7000 WI-FI"));
    EXPECT_EQ(object.value("SSID").toString(), QStringLiteral("Shop floor"));
    EXPECT_EQ(object.size(), 13);
}

TEST(RecordPrinting, ControlAndHighBytesAreShownEscaped)
{
    EXPECT_EQ(cli::printableText("plain text 1.2"), "plain text 1.2");
    EXPECT_EQ(cli::printableText("a\x1b[0m\x7f\xe9\\"), "a\\x1B[0m\\x7F\\xE9\\\\");
}

}  // namespace
}  // namespace quillmar
