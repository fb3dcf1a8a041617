// What reaches a simulated module's serial loader on its line: the hand-over,
// the timer's ticks and the PC's bytes in any order and cut anywhere. The
// loader writes only its menu texts and its answers (two CANs in a row cancel
// a transfer), keeps one 128-byte piece per block taken, and a silent line
// answers nothing.
//
// Input: a byte choosing the loader's faults (bit 0: no "Update" in the menu,
// bit 1: never NAKs, bits 2-3: NAKs of the first block, bit 4: stray bytes,
// bits 5-6: the EOT answer, bit 7: the line drops after two blocks), then
// steps: 0 hands over, 1 is a timer tick, any other byte is followed by a
// length byte and that many bytes from the PC.
#include <set>

#include "fuzz/fuzz_support.h"
#include "loader_receiver.h"

using namespace quillmar;

namespace {

const std::string kStray("*\x00\xFF"
                         "C",
                         4);

// Takes `text` apart into the loader's known pieces; false on anything else.
bool onlyLoaderTexts(std::string text, bool stray)
{
    static const std::vector<std::string> pieces{
        "\r\nQuillmar serial loader 1.0\r\n  U) Update firmware\r\n  R) Run firmware\r\n> ",
        "\r\nQuillmar serial loader 1.0\r\n  R) Run firmware\r\n> ",
        "U\r\nDownloading...\r\n",
        "\r\nUpdate finished\r\n",
        "\r\nTransfer cancelled\r\n",
        std::string(1, '\x06'),
        std::string(1, '\x15'),
    };
    while (!text.empty()) {
        if (stray && text.rfind(kStray, 0) == 0) {
            text.erase(0, kStray.size());
            continue;
        }
        bool matched = false;
        for (const std::string& piece : pieces) {
            if (text.rfind(piece, 0) == 0) {
                text.erase(0, piece.size());
                matched = true;
                break;
            }
        }
        if (!matched)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader input(data, size);
    const std::uint8_t shape = input.byte();
    sim::LoaderSetup setup;
    setup.offersUpdate = (shape & 0x01) == 0;
    setup.neverNak = (shape & 0x02) != 0;
    setup.naksPerBlock = (shape >> 2) & 0x03;
    setup.strayBytes = (shape & 0x10) != 0;
    setup.eot = static_cast<sim::EotAnswer>(((shape >> 5) & 0x03) % 3);
    setup.dropAfterBlocks = (shape & 0x80) ? 2 : -1;
    sim::RequestLog log;
    sim::LoaderReceiver loader(setup, log);

    while (!input.empty()) {
        const std::uint8_t step = input.byte();
        std::string written;
        if (step == 0) {
            written = loader.handOver(0xCB007114u);
            FUZZ_CHECK(loader.image().empty() && loader.blocksTaken() == 0);
        } else if (step == 1) {
            written = loader.nakTick();
            if (!loader.naksWanted())
                FUZZ_CHECK(written.empty());
        } else {
            const std::string bytes = input.shortPiece();
            const bool silent = loader.silent();
            written = loader.receive(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
            if (silent)
                FUZZ_CHECK(written.empty());
        }
        FUZZ_CHECK(onlyLoaderTexts(written, setup.strayBytes));
        FUZZ_CHECK(loader.image().size() == std::size_t(loader.blocksTaken()) * 128);
        FUZZ_CHECK(loader.image().size() <= sim::LoaderReceiver::kLargestImage);
        if (setup.dropAfterBlocks >= 0)
            FUZZ_CHECK(loader.blocksTaken() <= setup.dropAfterBlocks);
    }
    fuzz::trace("blocks %d, silent %d", loader.blocksTaken(), int(loader.silent()));
    return 0;
}
