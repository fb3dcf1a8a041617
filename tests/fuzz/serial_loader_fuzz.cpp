// What comes back on the serial line during a firmware upgrade: the loader's
// menu texts and its answers to XMODEM blocks and EOT, played byte for byte by
// a device script, through the real loader exchange and sender. Whatever the
// device says, every block that goes out is well formed and carries the
// image's bytes for its number, and success means every block went out.
//
// Input: a byte (low bit: XMODEM alone, without the menu; the other bits: the
// most a write takes at once, 0 for all), a 16-bit image size (below 700
// bytes), then the device's side: a menu text is a length byte and that many
// bytes (length 255: the line is gone), an XMODEM answer is one byte. The
// script running out is the user pressing Cancel.
#include <atomic>
#include <cstdio>
#include <memory>

#include "fuzz/fuzz_support.h"
#include "maintenance/loader_exchange.h"
#include "maintenance/maintenance_result.h"
#include "maintenance/xmodem_sender.h"

using namespace quillmar;

namespace {

constexpr std::uint8_t kLineGone = 255;
constexpr std::size_t kImageSizes = 700;

class ScriptedDevice final : public SerialLine {
public:
    ScriptedDevice(fuzz::ByteReader& script, std::atomic<bool>& cancel, int writeLimit)
        : script_(script), cancel_(cancel), writeLimit_(writeLimit)
    {
    }

    int readSerial(int wanted, std::string& into) override
    {
        if (script_.empty()) {
            cancel_ = true;
            return 0;
        }
        if (wanted == 1) {
            into.push_back(static_cast<char>(script_.byte()));
            return 1;
        }
        const std::uint8_t length = script_.byte();
        if (length == kLineGone)
            return -7;
        const std::string text = script_.bytes(length);
        into += text;
        return static_cast<int>(text.size());
    }

    int writeSerial(const void* bytes, int length) override
    {
        FUZZ_CHECK(length > 0);
        const int taken = writeLimit_ > 0 ? std::min(length, writeLimit_) : length;
        written.append(static_cast<const char*>(bytes), static_cast<std::size_t>(taken));
        return taken;
    }

    std::string written;

private:
    fuzz::ByteReader& script_;
    std::atomic<bool>& cancel_;
    int writeLimit_;
};

struct SentBlocks {
    int highest = 0;   // the highest block number that went out whole
    bool eot = false;  // EOT went out after the blocks
};

// Reads what the sender wrote: "U" to the menu, whole blocks, EOT. A block
// may be cut only at the very end (the transfer ended part way through it).
SentBlocks readSentBytes(const std::string& written, const std::string& image)
{
    SentBlocks sent;
    std::size_t at = 0;
    while (at < written.size()) {
        const auto byte = static_cast<unsigned char>(written[at]);
        if (byte == 'U' || byte == kEot) {
            sent.eot = sent.eot || byte == kEot;
            ++at;
            continue;
        }
        FUZZ_CHECK(byte == kSoh);
        if (written.size() - at < std::size_t(kXmodemBlockSize))
            break;
        const auto number = static_cast<unsigned char>(written[at + 1]);
        FUZZ_CHECK(static_cast<unsigned char>(written[at + 2]) == 255 - number);
        FUZZ_CHECK(!sent.eot);
        // A block is the next one or the same one again.
        FUZZ_CHECK(number >= 1 && (number == sent.highest + 1 || number == sent.highest));
        const std::size_t offset = std::size_t(number - 1) * kXmodemDataSize;
        FUZZ_CHECK(offset < image.size());
        unsigned sum = 0;
        for (int i = 0; i < kXmodemDataSize; ++i) {
            const auto data = static_cast<unsigned char>(written[at + 3 + std::size_t(i)]);
            const std::size_t from = offset + std::size_t(i);
            FUZZ_CHECK(data == (from < image.size() ? static_cast<unsigned char>(image[from]) : kXmodemPad));
            sum += data;
        }
        FUZZ_CHECK(static_cast<unsigned char>(written[at + kXmodemBlockSize - 1]) == (sum & 0xFF));
        sent.highest = number;
        at += kXmodemBlockSize;
    }
    FUZZ_CHECK(at == written.size() || written.size() - at < std::size_t(kXmodemBlockSize));
    return sent;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader input(data, size);
    const std::uint8_t shape = input.byte();
    const bool menu = (shape & 1) == 0;
    const int writeLimit = shape >> 1;
    std::string image(input.word() % kImageSizes, '\0');
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 7 + 3);
    // fmemopen needs at least one byte of room; an empty image reads from nothing.
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        image.empty() ? std::fopen("/dev/null", "rb") : fmemopen(image.data(), image.size(), "rb"), &std::fclose);
    FUZZ_CHECK(file != nullptr);

    std::atomic<bool> cancel{false};
    ScriptedDevice device(input, cancel, writeLimit);
    MaintenanceProgress progress;
    XmodemLimits limits;
    limits.writePause = std::chrono::milliseconds(0);
    const long fileSize = static_cast<long>(image.size());
    const int result = menu ? serialLoaderExchange(device, file.get(), fileSize, limits, progress, &cancel)
                            : xmodemSend(device, file.get(), fileSize, limits, progress, &cancel);

    const SentBlocks sent = readSentBytes(device.written, image);
    fuzz::trace("result %d, blocks %d, eot %d", result, sent.highest, int(sent.eot));
    const int blocks = static_cast<int>((image.size() + kXmodemDataSize - 1) / kXmodemDataSize);
    if (menu) {
        using namespace maintenance;
        FUZZ_CHECK(result == kOk || result == kLoaderMenuFailed || result == kSerialFailed || result == kDownloadFailed
                   || result == kStopped);
    } else {
        FUZZ_CHECK(result == 0 || result == -1 || result == -2);
    }
    if (result == 0) {
        FUZZ_CHECK(sent.highest == blocks);
        FUZZ_CHECK(sent.eot);
    }
    return 0;
}
