#include "serial_loader.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>

#include "module_record.h"
#include "record/ipv4_text.h"

namespace quillmar::sim {
namespace {

constexpr unsigned char kSoh = 0x01;
constexpr unsigned char kEot = 0x04;
constexpr unsigned char kAck = 0x06;
constexpr unsigned char kNak = 0x15;
constexpr std::size_t kBlockSize = 132;
constexpr std::size_t kDataSize = 128;

const char kMenu[] = "\r\nQuillmar serial loader 1.0\r\n  U) Update firmware\r\n  R) Run firmware\r\n> ";
const char kPlainMenu[] = "\r\nQuillmar serial loader 1.0\r\n  R) Run firmware\r\n> ";
const std::string kStray("*\x00\xFF"
                         "C",
                         4);

}  // namespace

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
    : setup_(std::move(setup)), log_(log), loop_(loop)
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
    state_ = State::Menu;
    image_.clear();
    pending_.clear();
    expected_ = 1;
    blocksTaken_ = 0;
    naksGiven_ = 0;
    eotsTaken_ = 0;
    log_.write("loader-menu",
               "module=" + formatIpv4(moduleAddress) + " update=" + (setup_.offersUpdate ? "yes" : "no"));
    write(setup_.offersUpdate ? kMenu : kPlainMenu);
}

void SerialLoader::serveLine()
{
    unsigned char buffer[512];
    const ssize_t length = ::read(master_, buffer, sizeof buffer);
    if (length <= 0)
        return;
    // A silent line has been pulled: what the PC sends goes nowhere.
    if (state_ == State::Silent)
        return;
    receiveBytes(buffer, static_cast<std::size_t>(length));
}

void SerialLoader::receiveBytes(const unsigned char* bytes, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char byte = bytes[i];
        if (state_ == State::Menu || state_ == State::Finished || state_ == State::Firmware) {
            if (byte == 'U' && state_ == State::Menu && setup_.offersUpdate) {
                log_.write("loader-select", "key=U");
                write("U\r\nDownloading...\r\n");
                state_ = State::Receiving;
                startNaks();
            } else if (byte == 'U' && state_ == State::Finished) {
                log_.write("loader-confirm", "key=U");
            } else {
                log_.write("loader-key", "byte=" + std::to_string(byte));
            }
            continue;
        }
        if (state_ != State::Receiving)
            return;
        if (pending_.empty() && byte == kEot) {
            ++eotsTaken_;
            if (setup_.eot == EotAnswer::Silent || (setup_.eot == EotAnswer::NakOnce && eotsTaken_ == 1)) {
                const bool silent = setup_.eot == EotAnswer::Silent;
                log_.write("loader-eot", std::string("answer=") + (silent ? "none" : "nak"));
                if (!silent)
                    answer(kNak);
                continue;
            }
            log_.write("loader-eot", "answer=ack");
            answer(kAck);
            stopNaks();
            storeImage();
            state_ = State::Finished;
            write("\r\nUpdate finished\r\n");
            continue;
        }
        if (pending_.empty() && byte != kSoh) {
            log_.write("loader-noise", "byte=" + std::to_string(byte));
            continue;
        }
        pending_.push_back(static_cast<char>(byte));
        if (pending_.size() == kBlockSize) {
            takeBlock();
            pending_.clear();
            if (state_ == State::Silent)
                return;
        }
    }
}

void SerialLoader::takeBlock()
{
    stopNaks();
    const auto* block = reinterpret_cast<const unsigned char*>(pending_.data());
    unsigned sum = 0;
    for (std::size_t i = 0; i < kDataSize; ++i)
        sum += block[3 + i];
    const unsigned char number = block[1];
    const bool sound = block[2] == static_cast<unsigned char>(255 - number)
                       && block[kBlockSize - 1] == static_cast<unsigned char>(sum);
    log_.write("loader-block", "number=" + std::to_string(number) + " complement=" + std::to_string(block[2])
                                   + " sound=" + (sound ? "yes" : "no"));
    if (!sound) {
        answer(kNak);
        return;
    }
    if (blocksTaken_ == 0 && naksGiven_ < setup_.naksPerBlock) {
        ++naksGiven_;
        answer(kNak);
        return;
    }
    if (setup_.dropAfterBlocks >= 0 && blocksTaken_ >= setup_.dropAfterBlocks) {
        log_.write("loader-dropped", "blocks=" + std::to_string(blocksTaken_));
        state_ = State::Silent;
        return;
    }
    // The PC sends a block again when our ACK went astray; it is taken once.
    if (number == expected_) {
        image_.append(pending_, 3, kDataSize);
        ++expected_;
        ++blocksTaken_;
    }
    answer(kAck);
}

void SerialLoader::answer(unsigned char byte)
{
    std::string bytes = setup_.strayBytes ? kStray : std::string();
    bytes.push_back(static_cast<char>(byte));
    write(bytes);
}

void SerialLoader::write(const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(master_, bytes.data() + written, bytes.size() - written);
        if (count > 0)
            written += static_cast<std::size_t>(count);
        else if (count < 0 && errno != EINTR && errno != EAGAIN)
            return;
    }
}

void SerialLoader::startNaks()
{
    if (setup_.neverNak)
        return;
    itimerspec every{};
    every.it_interval.tv_sec = setup_.nakIntervalMs / 1000;
    every.it_interval.tv_nsec = (setup_.nakIntervalMs % 1000) * 1000000L;
    every.it_value = every.it_interval;
    ::timerfd_settime(timer_, 0, &every, nullptr);
}

void SerialLoader::stopNaks()
{
    const itimerspec off{};
    ::timerfd_settime(timer_, 0, &off, nullptr);
}

void SerialLoader::onNakTimer()
{
    std::uint64_t expirations = 0;
    if (::read(timer_, &expirations, sizeof expirations) <= 0)
        return;
    if (state_ == State::Receiving && pending_.empty() && blocksTaken_ == 0) {
        log_.write("loader-nak", "start=yes");
        answer(kNak);
    }
}

void SerialLoader::storeImage()
{
    std::string stored = "none";
    if (!setup_.imagePath.empty()) {
        std::ofstream file(setup_.imagePath, std::ios::binary | std::ios::trunc);
        file.write(image_.data(), static_cast<std::streamsize>(image_.size()));
        stored = file ? setup_.imagePath : "failed";
    }
    log_.write("loader-image", "blocks=" + std::to_string(blocksTaken_) + " bytes=" + std::to_string(image_.size())
                                   + " file=" + stored);
}

}  // namespace quillmar::sim
