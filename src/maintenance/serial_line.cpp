#include "maintenance/serial_line.h"

#include "maintenance/maintenance_result.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "platform/com_port_map.h"

namespace quillmar {
namespace {

using Clock = std::chrono::steady_clock;

// A stop request is noticed within this time while a read waits.
constexpr milliseconds kStopCheck{50};

int setUpLine(int fd)
{
    if (::ioctl(fd, TIOCEXCL) != 0)
        return errno;
    termios line{};
    if (::tcgetattr(fd, &line) != 0)
        return errno;
    // Bytes pass unchanged: no echo, no line editing, no CR/LF translation.
    ::cfmakeraw(&line);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CLOCAL | CREAD;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (::cfsetispeed(&line, B115200) != 0 || ::cfsetospeed(&line, B115200) != 0)
        return errno;
    if (::tcsetattr(fd, TCSANOW, &line) != 0)
        return errno;
    // A line without modem-control signals (a pseudo-terminal) has no RTS to raise.
    const int rts = TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIS, &rts) != 0 && errno != ENOTTY && errno != EINVAL)
        return errno;
    if (::tcflush(fd, TCIOFLUSH) != 0)
        return errno;
    return 0;
}

}  // namespace

SerialLine::SerialLine(const std::atomic<bool>* stopRequested, milliseconds collect, milliseconds writeWait)
    : stopRequested_(stopRequested), collect_(collect), writeWait_(writeWait)
{
}

SerialLine::~SerialLine()
{
    close();
}

int SerialLine::open(const std::string& path)
{
    close();
    if (path.empty())
        return ENOENT;
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return errno;
    int error = 0;
    struct stat status {};
    if (::fstat(fd_, &status) != 0)
        error = errno;
    else if (!S_ISCHR(status.st_mode))
        error = ENODEV;
    else if (::flock(fd_, LOCK_EX | LOCK_NB) != 0)
        error = errno == EWOULDBLOCK ? EBUSY : errno;
    else
        error = setUpLine(fd_);
    if (error != 0)
        close();
    return error;
}

void SerialLine::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

int SerialLine::readSerial(int wanted, std::string& into)
{
    const int readSize = wanted > 0 && wanted < kSerialReadLimit ? wanted : kSerialReadLimit;
    const Clock::time_point start = Clock::now();
    int collected = 0;
    for (;;) {
        if (stopRequested())
            return maintenance::kStopped;
        const auto passed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        if (passed >= collect_)
            return collected;
        pollfd port{fd_, POLLIN, 0};
        const int ready = ::poll(&port, 1, static_cast<int>(std::min(collect_ - passed, kStopCheck).count()));
        if (ready < 0 && errno != EINTR)
            return maintenance::kSerialFailed;
        if (ready <= 0)
            continue;
        char buffer[kSerialReadLimit];
        const int room = std::min(readSize, kSerialReadLimit - collected);
        const ssize_t length = ::read(fd_, buffer, static_cast<std::size_t>(room));
        if (length < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (length <= 0)
            return maintenance::kSerialFailed;
        into.append(buffer, static_cast<std::size_t>(length));
        collected += static_cast<int>(length);
        if ((wanted > 0 && collected >= wanted) || collected >= kSerialReadLimit)
            return collected;
    }
}

int SerialLine::writeSerial(const void* bytes, int length)
{
    pollfd port{fd_, POLLOUT, 0};
    const int ready = ::poll(&port, 1, static_cast<int>(writeWait_.count()));
    if (ready < 0)
        return -1;
    if (ready == 0)
        return 0;
    const ssize_t written = ::write(fd_, bytes, static_cast<std::size_t>(length));
    if (written < 0)
        return errno == EAGAIN ? 0 : -1;
    return static_cast<int>(written);
}

std::string serialDevicePath(const std::string& portName)
{
    // A device named by its path (/dev/ttyUSB0) is that device.
    if (!portName.empty() && portName.front() == '/')
        return portName;
    if (portName.size() < 4 || portName.compare(0, 3, "COM") != 0 || portName.size() > 3 + 9)
        return {};
    int number = 0;
    for (std::size_t i = 3; i < portName.size(); ++i) {
        if (portName[i] < '0' || portName[i] > '9')
            return {};
        number = number * 10 + (portName[i] - '0');
    }
    if (number < 1)
        return {};
    return comPortPath(number).toLocal8Bit().toStdString();
}

}  // namespace quillmar
