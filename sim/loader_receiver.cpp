#include "loader_receiver.h"

#include <fstream>

#include "record/ipv4_text.h"
#include "record/module_protocol.h"

namespace quillmar::sim {
namespace {

constexpr std::size_t kBlockSize = kXmodemBlockSize;
constexpr std::size_t kDataSize = kXmodemDataSize;

const char kMenu[] = "\r\nQuillmar serial loader 1.0\r\n  U) Update firmware\r\n  R) Run firmware\r\n> ";
const char kPlainMenu[] = "\r\nQuillmar serial loader 1.0\r\n  R) Run firmware\r\n> ";
const std::string kStray("*\x00\xFF"
                         "C",
                         4);

}  // namespace

std::string LoaderReceiver::handOver(std::uint32_t moduleAddress)
{
    state_ = State::Menu;
    naks_ = false;
    image_.clear();
    pending_.clear();
    expected_ = 1;
    blocksTaken_ = 0;
    naksGiven_ = 0;
    eotsTaken_ = 0;
    cansInRow_ = 0;
    log_.write("loader-menu",
               "module=" + formatIpv4(moduleAddress) + " update=" + (setup_.offersUpdate ? "yes" : "no"));
    return setup_.offersUpdate ? kMenu : kPlainMenu;
}

std::string LoaderReceiver::receive(const unsigned char* bytes, std::size_t length)
{
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char byte = bytes[i];
        if (state_ == State::Menu || state_ == State::Finished || state_ == State::Firmware) {
            if (byte == '\r' && (state_ == State::Menu || state_ == State::Finished)) {
                log_.write("loader-menu", "again=yes update=" + std::string(setup_.offersUpdate ? "yes" : "no"));
                state_ = State::Menu;
                out += setup_.offersUpdate ? kMenu : kPlainMenu;
            } else if (byte == 'U' && state_ == State::Menu && setup_.offersUpdate) {
                log_.write("loader-select", "key=U");
                out += "U\r\nDownloading...\r\n";
                state_ = State::Receiving;
                naks_ = !setup_.neverNak;
            } else if (byte == 'U' && state_ == State::Finished) {
                log_.write("loader-confirm", "key=U");
            } else {
                log_.write("loader-key", "byte=" + std::to_string(byte));
            }
            continue;
        }
        if (state_ != State::Receiving)
            break;
        if (pending_.empty() && byte == kCan) {
            if (++cansInRow_ < 2)
                continue;
            log_.write("loader-cancel", "blocks=" + std::to_string(blocksTaken_));
            cansInRow_ = 0;
            naks_ = false;
            image_.clear();
            expected_ = 1;
            blocksTaken_ = 0;
            naksGiven_ = 0;
            eotsTaken_ = 0;
            state_ = State::Menu;
            out += "\r\nTransfer cancelled\r\n";
            continue;
        }
        cansInRow_ = 0;
        if (pending_.empty() && byte == kEot) {
            ++eotsTaken_;
            if (setup_.eot == EotAnswer::Silent || (setup_.eot == EotAnswer::NakOnce && eotsTaken_ == 1)) {
                const bool silent = setup_.eot == EotAnswer::Silent;
                log_.write("loader-eot", std::string("answer=") + (silent ? "none" : "nak"));
                if (!silent)
                    answer(kNak, out);
                continue;
            }
            log_.write("loader-eot", "answer=ack");
            answer(kAck, out);
            naks_ = false;
            storeImage();
            state_ = State::Finished;
            out += "\r\nUpdate finished\r\n";
            continue;
        }
        if (pending_.empty() && byte != kSoh) {
            log_.write("loader-noise", "byte=" + std::to_string(byte));
            continue;
        }
        pending_.push_back(static_cast<char>(byte));
        if (pending_.size() == kBlockSize) {
            takeBlock(out);
            pending_.clear();
            if (state_ == State::Silent)
                break;
        }
    }
    return out;
}

std::string LoaderReceiver::nakTick()
{
    std::string out;
    if (state_ == State::Receiving && naks_ && pending_.empty() && blocksTaken_ == 0) {
        log_.write("loader-nak", "start=yes");
        answer(kNak, out);
    }
    return out;
}

void LoaderReceiver::takeBlock(std::string& out)
{
    naks_ = false;
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
        answer(kNak, out);
        return;
    }
    if (blocksTaken_ == 0 && naksGiven_ < setup_.naksPerBlock) {
        ++naksGiven_;
        answer(kNak, out);
        return;
    }
    if (setup_.dropAfterBlocks >= 0 && blocksTaken_ >= setup_.dropAfterBlocks) {
        log_.write("loader-dropped", "blocks=" + std::to_string(blocksTaken_));
        state_ = State::Silent;
        return;
    }
    // The PC sends a block again when our ACK went astray; it is taken once.
    if (number == expected_) {
        if (image_.size() + kDataSize > kLargestImage) {
            log_.write("loader-too-large", "bytes=" + std::to_string(image_.size()));
            answer(kNak, out);
            return;
        }
        image_.append(pending_, 3, kDataSize);
        ++expected_;
        ++blocksTaken_;
    }
    answer(kAck, out);
}

void LoaderReceiver::answer(unsigned char byte, std::string& out) const
{
    if (setup_.strayBytes)
        out += kStray;
    out.push_back(static_cast<char>(byte));
}

void LoaderReceiver::storeImage()
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
