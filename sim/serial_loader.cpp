#include "serial_loader.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "module_record.h"
#include "record/ipv4_text.h"

namespace quillmar::sim {

std::optional<LoaderSetup> parseLoaderOption(const std::string& option, std::string& error)
{
    const std::size_t comma = option.find(',');
    LoaderSetup setup;
    setup.linkPath = option.substr(0, comma);
    if (setup.linkPath.empty()) {
        error = "--loader-pty needs a path for the link";
        return std::nullopt;
    }
    const std::optional<OptionPairs> pairs = splitPairs(
        comma == std::string::npos ? std::string() : option.substr(comma + 1), error);
    if (!pairs)
        return std::nullopt;
    const auto number = [&](const std::string& key, const std::string& value, int low, int high) -> std::optional<int> {
        char* end = nullptr;
        const long parsed = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || parsed < low || parsed > high) {
            error = "--loader-pty " + key + " must be a number from " + std::to_string(low) + " to "
                    + std::to_string(high);
            return std::nullopt;
        }
        return static_cast<int>(parsed);
    };
    for (const auto& [key, value] : *pairs) {
        if (key == "address") {
            const std::optional<std::uint32_t> address = parseIpv4(value);
            if (!address) {
                error = "--loader-pty address needs a dotted IPv4 address, got '" + value + "'";
                return std::nullopt;
            }
            setup.moduleAddress = *address;
        } else if (key == "image") {
            setup.imagePath = value;
        } else if (key == "menu") {
            if (value != "update" && value != "plain") {
                error = "--loader-pty menu must be update or plain";
                return std::nullopt;
            }
            setup.offersUpdate = value == "update";
        } else if (key == "eot") {
            static const std::map<std::string, EotAnswer> answers{
                {"ack", EotAnswer::Ack}, {"nakonce", EotAnswer::NakOnce}, {"silent", EotAnswer::Silent}};
            const auto found = answers.find(value);
            if (found == answers.end()) {
                error = "--loader-pty eot must be ack, nakonce or silent";
                return std::nullopt;
            }
            setup.eot = found->second;
        } else if (key == "nak" && value == "never") {
            setup.neverNak = true;
        } else if (key == "nak" || key == "stray" || key == "drop" || key == "nakEvery") {
            const std::optional<int> parsed = key == "stray"      ? number(key, value, 0, 1)
                                              : key == "nakEvery" ? number(key, value, 10, 60000)
                                                                  : number(key, value, 0, 1000000);
            if (!parsed)
                return std::nullopt;
            if (key == "nak")
                setup.naksPerBlock = *parsed;
            else if (key == "stray")
                setup.strayBytes = *parsed == 1;
            else if (key == "drop")
                setup.dropAfterBlocks = *parsed;
            else
                setup.nakIntervalMs = *parsed;
        } else {
            error = "unknown --loader-pty key '" + key + "'";
            return std::nullopt;
        }
    }
    return setup;
}

SerialLoader::SerialLoader(LoaderSetup setup, RequestLog& log, EventLoop& loop)
    : setup_(std::move(setup)), log_(log), loop_(loop), receiver_(setup_, log_)
{
}

SerialLoader::~SerialLoader()
{
    char target[256] = {};
    if (::readlink(setup_.linkPath.c_str(), target, sizeof target - 1) > 0 && slaveName_ == target)
        ::unlink(setup_.linkPath.c_str());
    for (const int fd : {timer_, slave_, master_}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool SerialLoader::open(std::string& error)
{
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    slaveName_ = name;
    termios raw{};
    if (::tcgetattr(slave_, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
    }
    for (const int fd : {master_, slave_})
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (timer_ < 0) {
        error = std::string("cannot make a timer: ") + std::strerror(errno);
        return false;
    }
    // An old link (from a simulator that was killed) is replaced; anything else
    // at that path is left alone.
    struct stat existing {};
    if (::lstat(setup_.linkPath.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = setup_.linkPath + " exists and is not a link; not replacing it";
            return false;
        }
        ::unlink(setup_.linkPath.c_str());
    }
    if (::symlink(name, setup_.linkPath.c_str()) != 0) {
        error = "cannot link " + setup_.linkPath + " to " + name + ": " + std::strerror(errno);
        return false;
    }
    loop_.watch(master_, [this] { serveLine(); });
    loop_.watch(timer_, [this] { onNakTimer(); });
    log_.write("loader-port", "port=" + setup_.linkPath + " pty=" + slaveName_);
    return true;
}

void SerialLoader::handOver(std::uint32_t moduleAddress)
{
    if (setup_.moduleAddress != 0 && setup_.moduleAddress != moduleAddress)
        return;
    write(receiver_.handOver(moduleAddress));
    syncNakTimer();
}

void SerialLoader::serveLine()
{
    unsigned char buffer[512];
    const ssize_t length = ::read(master_, buffer, sizeof buffer);
    if (length <= 0)
        return;
    // A silent line has been pulled: what the PC sends goes nowhere.
    if (receiver_.silent())
        return;
    write(receiver_.receive(buffer, static_cast<std::size_t>(length)));
    syncNakTimer();
}

void SerialLoader::write(const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(master_, bytes.data() + written, bytes.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
        } else if (count < 0 && errno == EAGAIN) {
            // Nobody reads the other side: what does not fit within a while
            // is lost, as on a line nobody listens to.
            pollfd room{master_, POLLOUT, 0};
            if (::poll(&room, 1, kWriteWaitMs) <= 0) {
                log_.write("loader-write-dropped", "bytes=" + std::to_string(bytes.size() - written));
                return;
            }
        } else if (count < 0 && errno != EINTR) {
            return;
        }
    }
}

void SerialLoader::syncNakTimer()
{
    if (receiver_.naksWanted() == naksRunning_)
        return;
    naksRunning_ = receiver_.naksWanted();
    itimerspec every{};
    if (naksRunning_) {
        every.it_interval.tv_sec = setup_.nakIntervalMs / 1000;
        every.it_interval.tv_nsec = (setup_.nakIntervalMs % 1000) * 1000000L;
        every.it_value = every.it_interval;
    }
    ::timerfd_settime(timer_, 0, &every, nullptr);
}

void SerialLoader::onNakTimer()
{
    std::uint64_t expirations = 0;
    if (::read(timer_, &expirations, sizeof expirations) <= 0)
        return;
    write(receiver_.nakTick());
}

}  // namespace quillmar::sim
