// quillmar-cli config show and discover in-process, against quillmar-sim and a
// module played by the test on loopback, in a network namespace of the test's
// own (the command sends from port 6000 to port 5000).
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "record/device_entry.h"
#include "support/cli_runner.h"
#include "support/sample_devices.h"
#include "support/sim_process.h"

namespace quillmar {
namespace {

using test::runVerbs;

int boundSocket(const char* address, std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &local.sin_addr);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Answers one read request on 127.0.0.2:5000: first with a decoy from another
// address, then with `answer`.
void answerOnce(int module, const QByteArray& answer, const QByteArray& decoy)
{
    pollfd ready{module, POLLIN, 0};
    if (::poll(&ready, 1, 5000) <= 0)
        return;
    char buffer[64];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    ::recvfrom(module, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    const int other = boundSocket("127.0.0.3", 0);
    ::sendto(other, decoy.constData(), std::size_t(decoy.size()), 0, reinterpret_cast<sockaddr*>(&from), length);
    ::close(other);
    ::sendto(module, answer.constData(), std::size_t(answer.size()), 0, reinterpret_cast<sockaddr*>(&from), length);
}

const char* const kFieldNames[] = {"modelName", "deviceName", "macAddress", "ipAddress", "tcpPort", "udpPort", "ipMode",
                                   "wifiMode",  "authMode",   "encryType",  "ssid",      "key",     "wpaPsk"};

TEST(ConfigShow, ConfigShowAndDiscoverNameTheFieldsAndShowAModulesTextAlike)
{
    // A backslash and an escape sequence in the device name ("\\" is the
    // simulator's way of writing one backslash).
    test::SimProcess sim(QUILLMAR_SIM_PATH,
                         {"--bind", "127.0.0.1", "--module",
                          "address=127.0.0.1,deviceName=Shop\\\\Net\x1b[2J,ssid=" + std::string(34, 'S')});
    ASSERT_TRUE(sim.ready()) << sim.error;

    auto run = runVerbs({"config", "show", "127.0.0.1"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 13) << run.out.toStdString();
    for (int i = 0; i < 13; ++i)
        EXPECT_TRUE(lines[i].startsWith(QLatin1String(kFieldNames[i]))) << lines[i].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("deviceName : Shop\\\\Net\\x1B[2J"));
    EXPECT_EQ(lines[10], QStringLiteral("ssid       : ") + QString(34, u'S'));

    const QJsonObject shown =
        QJsonDocument::fromJson(runVerbs({"config", "show", "127.0.0.1", "--json"}).out.toUtf8()).object();
    EXPECT_EQ(shown.size(), 13);
    for (const char* name : kFieldNames)
        EXPECT_TRUE(shown.contains(QLatin1String(name))) << name;
    EXPECT_EQ(shown.value("deviceName").toString(), QStringLiteral("Shop\\Net\x1b[2J"));

    // The search by IP finds the same module: the same keys and the address it
    // answered from; its table escapes the text as config show does.
    run = runVerbs({"discover", "--ip", "127.0.0.1", "--json"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonArray found = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(found.size(), 1) << run.out.toStdString();
    QJsonObject listed = found.at(0).toObject();
    EXPECT_EQ(listed.take("address").toString(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(listed, shown);
    run = runVerbs({"discover", "--ip", "127.0.0.1"});
    EXPECT_TRUE(run.out.contains(QStringLiteral(" Shop\\\\Net\\x1B[2J "))) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("\n1 found\n")));
}

// On an 80-column terminal: discover keeps the columns that fit and says how
// many it left out, config show goes on with a long value under itself, and
// both hide the Wi-Fi keys; --wide and --show-secrets give everything.
TEST(ConfigShow, TablesFitAnEightyColumnTerminalAndHideTheKeys)
{
    const std::string psk(72, 'p');
    test::SimProcess sim(
        QUILLMAR_SIM_PATH,
        {"--bind", "127.0.0.1", "--module", "address=127.0.0.1,deviceName=COUNTER-NUMBER-1,key=wepkey1,wpaPsk=" + psk});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const auto onTerminal = [](cli::VerbContext& context) { context.outColumns = 80; };
    const auto widest = [](const QString& text) {
        qsizetype width = 0;
        for (const QString& line : text.split(u'\n'))
            width = std::max(width, line.size());
        return width;
    };

    auto run = runVerbs({"discover", "--ip", "127.0.0.1"}, onTerminal);
    EXPECT_LE(widest(run.out), 80) << run.out.toStdString();
    for (const char* column : {"Number", "Device Name", "IP Address", "MAC Address"})
        EXPECT_TRUE(run.out.startsWith(QLatin1String("Number")) && run.out.section(u'\n', 0, 0).contains(column))
            << column;
    EXPECT_TRUE(run.out.contains(QStringLiteral("COUNTER-NUMBER-1")));
    EXPECT_TRUE(run.err.contains(QStringLiteral(" of 14 columns fit the terminal's 80; --wide prints them all")))
        << run.err.toStdString();
    run = runVerbs({"discover", "--ip", "127.0.0.1", "--wide"}, onTerminal);
    EXPECT_TRUE(run.out.section(u'\n', 0, 0).endsWith(QStringLiteral("KEY       WPAPSK"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("********  ********"))) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains(QStringLiteral("wepkey1")));

    run = runVerbs({"config", "show", "127.0.0.1"}, onTerminal);
    EXPECT_TRUE(run.out.contains(QStringLiteral("\nkey        : ********\nwpaPsk     : ********\n")))
        << run.out.toStdString();
    run = runVerbs({"config", "show", "127.0.0.1", "--show-secrets"}, onTerminal);
    EXPECT_LE(widest(run.out), 80);
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("wpaPsk     : ") + QString(67, u'p') + QStringLiteral("\n")
                                 + QString(13, u' ') + QString(5, u'p') + QStringLiteral("\n")))
        << run.out.toStdString();
    run = runVerbs({"config", "show", "127.0.0.1", "--show-secrets", "--wide"}, onTerminal);
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("wpaPsk     : ") + QString::fromStdString(psk) + u'\n'));
    // JSON is for scripts: everything as it is.
    EXPECT_TRUE(
        runVerbs({"config", "show", "127.0.0.1", "--json"}, onTerminal).out.contains(QStringLiteral("wepkey1")));
}

// A module of the other family answers but is not listed; standard error
// says so and how to see it.
TEST(ConfigShow, DiscoverNamesTheModulesOfTheOtherFamilyItLeftOut)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH,
                         {"--bind", "127.0.0.1", "--module", "address=127.0.0.1,modelName=RX4100 WI-FI"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const auto run = runVerbs({"discover", "--ip", "127.0.0.1"});
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("\n0 found\n")));
    EXPECT_TRUE(run.err.endsWith(
        QStringLiteral("quillmar-cli discover: 1 module of the other family answered; give --family 1 to see them\n")))
        << run.err.toStdString();
}

TEST(ConfigShow, OnlyTheModulesAnswerCountsAndAShortOneIsShownWithANote)
{
    const int module = boundSocket("127.0.0.2", 5000);
    ASSERT_GE(module, 0);
    const DeviceEntry record = test::kitchenPrinter("127.0.0.2");
    std::thread player(answerOnce, module, QByteArray(record.data(), 100), QByteArray(256, 'D'));
    const auto run = runVerbs({"config", "show", "127.0.0.2", "--json"});
    player.join();
    ::close(module);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, QStringLiteral("quillmar-cli config show: the answer was 100 bytes, not 256; the fields it does "
                                      "not cover are empty\n"));
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(object.value("macAddress").toString(), QStringLiteral("00-1B-2C-3D-4E-5F"));
    EXPECT_EQ(object.value("wpaPsk").toString(), QString());
}

TEST(ConfigShow, SilenceATakenPortAndAddressesOfNoModuleEachHaveTheirStatus)
{
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--module", "address=127.0.0.1,answer=never"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    auto run = runVerbs({"config", "show", "127.0.0.1"}, std::chrono::milliseconds(300));
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err,
              QStringLiteral("quillmar-cli config show: no answer from 127.0.0.1 (UDP port 5000) within 300 ms\n"));
    EXPECT_TRUE(run.out.isEmpty());

    const int holder = boundSocket("0.0.0.0", 6000);
    ASSERT_GE(holder, 0);
    run = runVerbs({"config", "show", "127.0.0.1"});
    ::close(holder);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("port 6000 is in use"))) << run.err.toStdString();

    const struct {
        const char* argument;
        const char* message;
    } cases[] = {
        {"0.0.0.0", "0.0.0.0 is not the address of a module"},
        {"255.255.255.255", "255.255.255.255 is the broadcast address"},
        {"printer\x1b.example", "'printer\\x1B.example' is not an IPv4 address"},
        {"192.0.2.256", "'192.0.2.256' is not an IPv4 address"},
    };
    for (const auto& c : cases) {
        run = runVerbs({"config", "show", QString::fromLatin1(c.argument)});
        EXPECT_EQ(run.status, 2) << c.argument;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
    }
    EXPECT_EQ(sim.requestCount(), 1u);  // the read that went unanswered, and nothing else
}

}  // namespace
}  // namespace quillmar
