// MSComm over a pseudo-terminal: the test holds the master side and plays the
// printer; the control opens the slave side as "COM7".
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "comm/core_application.h"
#include "comm/serial_control.h"
#include "platform/com_port_map.h"
#include "support/pseudo_terminal.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

constexpr int kPtyCom = 7;

// The control lives on a thread with a Qt application, as in the program.
class SerialControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        ASSERT_TRUE(printer.ready()) << printer.error;
        slavePath = printer.path();
    }

    // Reads what the control wrote until `count` bytes have come (or nothing more
    // comes for a good while).
    std::string readAtPrinter(std::size_t count) { return printer.read(count); }

    void writeAtPrinter(const std::string& bytes) { ASSERT_TRUE(printer.write(bytes)); }

    // The slave's line settings as the kernel holds them.
    termios slaveSettings()
    {
        termios settings{};
        const int fd = ::open(slavePath.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(fd, 0) << std::strerror(errno);
        if (fd >= 0) {
            ::tcgetattr(fd, &settings);
            ::close(fd);
        }
        return settings;
    }

    // Waits until the control holds `count` received bytes; the fixed wait of a
    // real exchange, without guessing a duration.
    bool waitForInput(MSComm& comm, int count)
    {
        QElapsedTimer clock;
        clock.start();
        while (comm.InBufferCount() < count) {
            if (clock.hasExpired(5000))
                return false;
            ::usleep(1000);
        }
        return true;
    }

    test::PseudoTerminal printer{kPtyCom};
    std::string slavePath;
};

std::string settingsRecordReply()
{
    std::string reply = "\x01\x02\x03\x04\x05\x06";
    std::string record(256, '\0');
    record.replace(0, 6, "RX4200");
    record.replace(122, 4, "SSID");
    return reply + record;
}

TEST_F(SerialControlTest, OneSettingsExchangeWritesTheCommandAndReadsTheReplyInTwoTakes)
{
    MSComm comm;
    comm.setCommPort(kPtyCom);
    comm.setSettings(QStringLiteral("115200,n,8,1"));
    EXPECT_FALSE(comm.PortOpen());
    comm.setPortOpen(true);
    EXPECT_TRUE(comm.PortOpen());

    comm.setOutput(QByteArray("\x1D\x67\x57\x47", 4));
    EXPECT_EQ(readAtPrinter(4), std::string("\x1D\x67\x57\x47", 4));

    // Nothing has come yet: Input returns at once with nothing.
    comm.setInputLen(6);
    EXPECT_TRUE(comm.Input().isEmpty());

    writeAtPrinter(settingsRecordReply());
    ASSERT_TRUE(waitForInput(comm, 262));
    comm.setInputLen(6);
    EXPECT_EQ(comm.Input(), QByteArray("\x01\x02\x03\x04\x05\x06"));
    comm.setInputLen(256);
    const QByteArray record = comm.Input();
    ASSERT_EQ(record.size(), 256);  // zero bytes kept
    EXPECT_EQ(record, QByteArray::fromStdString(settingsRecordReply().substr(6)));
    EXPECT_TRUE(comm.Input().isEmpty());

    comm.setPortOpen(false);
    EXPECT_FALSE(comm.PortOpen());
    comm.setPortOpen(false);  // closing a closed port is harmless
}

TEST_F(SerialControlTest, ByteByByteOutputKeepsZeroBytesAndOrder)
{
    MSComm comm;
    comm.setCommPort(kPtyCom);
    comm.setPortOpen(true);
    std::string expected;
    for (int i = 0; i < 256; ++i) {
        const char byte = char(i % 7 == 0 ? 0 : i);
        expected += byte;
        comm.setOutput(QByteArray(1, byte));
    }
    EXPECT_EQ(readAtPrinter(256), expected);
}

TEST_F(SerialControlTest, InputLenZeroTakesEverythingThatArrived)
{
    MSComm comm;
    comm.setCommPort(kPtyCom);
    comm.setPortOpen(true);
    writeAtPrinter("abcdef");
    ASSERT_TRUE(waitForInput(comm, 6));
    comm.setInputLen(0);
    EXPECT_EQ(comm.Input(), QByteArray("abcdef"));
}

TEST_F(SerialControlTest, SettingsAndHandshakingReachTheLine)
{
    MSComm comm;
    comm.setCommPort(kPtyCom);
    comm.setSettings(QStringLiteral("9600,N,8,2"));
    EXPECT_EQ(comm.Settings(), QStringLiteral("9600,n,8,2"));
    comm.setHandshaking(comRTS);
    comm.setPortOpen(true);
    termios line = slaveSettings();
    EXPECT_EQ(::cfgetospeed(&line), speed_t(B9600));
    EXPECT_TRUE(line.c_cflag & CSTOPB);
    EXPECT_TRUE(line.c_cflag & CRTSCTS);

    // Changed while open: applied at once.
    comm.setSettings(QStringLiteral("115200,n,8,1"));
    comm.setHandshaking(comXOnXoff);
    line = slaveSettings();
    EXPECT_EQ(::cfgetospeed(&line), speed_t(B115200));
    EXPECT_FALSE(line.c_cflag & CSTOPB);
    EXPECT_FALSE(line.c_cflag & CRTSCTS);
    EXPECT_TRUE(line.c_iflag & IXON);
}

TEST_F(SerialControlTest, ALineThatCannotTakeTheSettingsRaises)
{
    // Recent kernels keep a pseudo-terminal at 8 data bits without parity, as a
    // port whose hardware cannot do 7 bits and even parity would.
    MSComm comm;
    comm.setCommPort(kPtyCom);
    comm.setSettings(QStringLiteral("9600,e,7,1"));
    try {
        comm.setPortOpen(true);
        const termios line = slaveSettings();
        EXPECT_TRUE(line.c_cflag & PARENB);
        EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t(CS7));
    } catch (const MSCommError& error) {
        EXPECT_NE(std::string(error.what()).find("9600,e,7,1"), std::string::npos) << error.what();
        EXPECT_FALSE(comm.PortOpen());
        // Refused while open: the old settings stay.
        comm.setSettings(QStringLiteral("9600,n,8,1"));
        comm.setPortOpen(true);
        EXPECT_THROW(comm.setSettings(QStringLiteral("9600,o,7,1")), MSCommError);
        EXPECT_EQ(comm.Settings(), QStringLiteral("9600,n,8,1"));
        EXPECT_TRUE(comm.PortOpen());
    }
}

TEST_F(SerialControlTest, BytesFromBeforeTheOpeningAreNotTakenForAReply)
{
    MSComm comm;
    comm.setCommPort(kPtyCom);
    // Hold the slave open so that what the printer sends now is queued.
    const int holder = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(holder, 0);
    writeAtPrinter("stale");
    comm.setPortOpen(true);
    ::close(holder);
    writeAtPrinter("fresh");
    ASSERT_TRUE(waitForInput(comm, 5));
    EXPECT_EQ(comm.Input(), QByteArray("fresh"));
}

TEST_F(SerialControlTest, AMissingDeviceRaisesWithThePortAndPath)
{
    ::setenv("QUILLMAR_COM8", "/nonexistent/ttyQuillmar", 1);
    MSComm comm;
    comm.setCommPort(8);
    try {
        comm.setPortOpen(true);
        FAIL() << "no exception";
    } catch (const MSCommError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("COM8"), std::string::npos) << message;
        EXPECT_NE(message.find("/nonexistent/ttyQuillmar"), std::string::npos) << message;
    }
    EXPECT_FALSE(comm.PortOpen());
    ::unsetenv("QUILLMAR_COM8");
}

// The command line's --port /dev/ttyUSB0: the device itself, named so in a failure.
TEST_F(SerialControlTest, ADevicePathIsOpenedInsteadOfTheComPort)
{
    MSComm comm;
    comm.setCommPort(kPtyCom + 1);
    comm.setDevicePath(QString::fromStdString(slavePath));
    comm.setPortOpen(true);
    comm.setOutput(QByteArray("direct"));
    EXPECT_EQ(readAtPrinter(6), "direct");
    comm.setPortOpen(false);
    comm.setDevicePath(QStringLiteral("/nonexistent/ttyUSB9"));
    try {
        comm.setPortOpen(true);
        FAIL() << "no exception";
    } catch (const MSCommError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("/nonexistent/ttyUSB9 cannot be opened", 0), 0u) << error.what();
    }
}

// How the windows list ports: COMn with its device, those that are there
// first; USB serial adapters in the kernel's numbering order.
TEST(ComPortNames, ListsShowTheDeviceAndPresentPortsFirst)
{
    test::TempDirectory dev;
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyUSB0"})
        QFile(dev.file(QLatin1String(name))).open(QIODevice::WriteOnly);
    EXPECT_EQ(usbSerialPorts(dev.path()),
              QStringList({dev.file(QStringLiteral("ttyACM0")), dev.file(QStringLiteral("ttyUSB0")),
                           dev.file(QStringLiteral("ttyUSB2")), dev.file(QStringLiteral("ttyUSB10"))}));

    ::setenv("QUILLMAR_COM7", dev.file(QStringLiteral("ttyUSB2")).toLocal8Bit().constData(), 1);
    ::setenv("QUILLMAR_COM3", dev.file(QStringLiteral("gone")).toLocal8Bit().constData(), 1);
    EXPECT_EQ(comPortLabel(7), QStringLiteral("COM7 \u2014 ") + dev.file(QStringLiteral("ttyUSB2")));
    EXPECT_EQ(comPortLabel(12), QStringLiteral("COM12 \u2014 /dev/ttyS11"));
    const std::vector<int> ports = comPortsPresentFirst(9);
    EXPECT_EQ(ports.size(), 9u);
    EXPECT_LT(std::find(ports.begin(), ports.end(), 7), std::find(ports.begin(), ports.end(), 3));
    EXPECT_TRUE(std::is_sorted(
        ports.begin(), std::find_if(ports.begin(), ports.end(), [](int port) { return !comPortExists(port); })));
    ::unsetenv("QUILLMAR_COM7");
    ::unsetenv("QUILLMAR_COM3");
}

TEST_F(SerialControlTest, BadSettingsTextRaisesAndKeepsTheOldSettings)
{
    MSComm comm;
    comm.setSettings(QStringLiteral("19200,n,8,1"));
    for (const char* bad : {"", "abc", "9600", "9600,x,8,1", "9600,n,9,1", "9600,n,8,3", "0,n,8,1", "-9600,n,8,1",
                            "9600,n,8,1,1", "96OO,n,8,1"}) {
        EXPECT_THROW(comm.setSettings(QString::fromLatin1(bad)), MSCommError) << bad;
    }
    EXPECT_EQ(comm.Settings(), QStringLiteral("19200,n,8,1"));
    EXPECT_NO_THROW(comm.setSettings(QStringLiteral("4800,o,5,1.5")));
    EXPECT_EQ(comm.Settings(), QStringLiteral("4800,o,5,1.5"));
}

TEST_F(SerialControlTest, APortAlreadyOpenRaises)
{
    MSComm first;
    first.setCommPort(kPtyCom);
    first.setPortOpen(true);
    EXPECT_THROW(first.setPortOpen(true), MSCommError);
    EXPECT_THROW(first.setCommPort(1), MSCommError);
    EXPECT_EQ(first.CommPort(), kPtyCom);

    MSComm second;
    second.setCommPort(kPtyCom);
    EXPECT_THROW(second.setPortOpen(true), MSCommError);
    EXPECT_FALSE(second.PortOpen());

    // Once the first lets go, the second may open.
    first.setPortOpen(false);
    EXPECT_NO_THROW(second.setPortOpen(true));
}

TEST_F(SerialControlTest, UseWithoutAnOpenPortAndBadValuesRaise)
{
    MSComm comm;
    EXPECT_THROW(comm.setOutput(QByteArray("x")), MSCommError);
    EXPECT_THROW(comm.Input(), MSCommError);
    EXPECT_THROW(comm.setCommPort(0), MSCommError);
    EXPECT_THROW(comm.setHandshaking(3), MSCommError);
    EXPECT_THROW(comm.setInputLen(-1), MSCommError);
    EXPECT_EQ(comm.CommPort(), 1);
    EXPECT_EQ(comm.Handshaking(), comNone);
    EXPECT_EQ(comm.InputLen(), 0);
}

}  // namespace
}  // namespace quillmar
