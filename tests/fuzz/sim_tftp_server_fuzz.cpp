// What a client sends to a simulated module's TFTP server: the packet that
// should be a write request, then the packets of the transfer. The request
// parses only as a write request; the image holds exactly the blocks taken in
// order, never more than a module keeps, and is complete when a short block
// or the announced size came.
//
// Input: a byte (bit 0: the transfer goes by the request's "tsize"), the
// request as a length byte and its bytes, then packets, each a 16-bit length
// (below 600) and its bytes.
#include <algorithm>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "tftp_transfer.h"

using namespace quillmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader input(data, size);
    const std::uint8_t shape = input.byte();
    const std::string requestPacket = input.shortPiece();
    const std::optional<sim::TftpWriteRequest> request = sim::parseTftpWriteRequest(requestPacket);
    const bool isWrite = requestPacket.size() >= 4 && requestPacket[0] == '\0' && requestPacket[1] == '\2';
    FUZZ_CHECK(request.has_value() == isWrite);
    if (request) {
        FUZZ_CHECK(request->name.find('\0') == std::string::npos);
        FUZZ_CHECK(request->mode.find('\0') == std::string::npos);
        FUZZ_CHECK(request->options.size() <= requestPacket.size() / 2);
        if (request->size) {
            // Only a value of digits gives a size.
            FUZZ_CHECK(std::any_of(request->options.begin(), request->options.end(), [&request](const auto& option) {
                return !option.second.empty() && option.second.find_first_not_of("0123456789") == std::string::npos
                       && std::strtoull(option.second.c_str(), nullptr, 10) == *request->size;
            }));
        }
    }

    const std::optional<std::uint64_t> announced = request && (shape & 1) ? request->size : std::nullopt;
    sim::TftpImageReceiver receiver(announced);
    std::string expected;  // the blocks that were taken, in order
    bool completedByTake = false;
    while (!input.empty()) {
        const std::string packet = input.bytes(input.word() % 600);
        const sim::TftpImageReceiver::Block block = receiver.classify(packet);
        using Kind = sim::TftpImageReceiver::Kind;
        if (packet.size() < 4 || packet[0] != '\0' || packet[1] != '\3' || packet.size() > kTftpBlockBytes + 4)
            FUZZ_CHECK(block.kind == Kind::NotData);
        if (block.kind == Kind::Next) {
            FUZZ_CHECK(!receiver.complete());
            FUZZ_CHECK(block.number == static_cast<std::uint16_t>(receiver.blocks() + 1));
            const int before = receiver.blocks();
            expected.append(block.data);
            completedByTake = receiver.take(block);
            FUZZ_CHECK(receiver.blocks() == before + 1);
            FUZZ_CHECK(completedByTake
                       == (block.data.size() < kTftpBlockBytes || (announced && expected.size() >= *announced)));
        } else if (block.kind == Kind::AfterEnd) {
            FUZZ_CHECK(receiver.complete());
            receiver.pass();
        }
        FUZZ_CHECK(receiver.image() == expected);
        FUZZ_CHECK(receiver.image().size() <= sim::TftpImageReceiver::kLargestImage);
    }
    FUZZ_CHECK(receiver.complete() == completedByTake);
    fuzz::trace("request %d, blocks %d, bytes %zu, complete %d", int(request.has_value()), receiver.blocks(),
                receiver.image().size(), int(receiver.complete()));
    return 0;
}
