#pragma once
// What a module's TFTP server reads from the network, without its sockets:
// the write request that opens a transfer, and the data blocks of the
// transfer, taken in order into the web image.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "record/module_protocol.h"

namespace quillmar::sim {

// The text with its ASCII capitals made small: option names and the mode are
// compared in any case.
std::string lowered(std::string text);

struct TftpWriteRequest {
    std::string name;
    std::string mode;
    // Option names as sent and their values, in order.
    std::vector<std::pair<std::string, std::string>> options;
    // "tsize" (in any case), when given and a number.
    std::optional<std::uint64_t> size;
};

// A write request (opcode 2, then NUL-ended texts: the file name, the mode
// and option/value pairs), or nothing for any other packet.
std::optional<TftpWriteRequest> parseTftpWriteRequest(std::string_view packet);

// The data blocks of one transfer. A block is taken when it is the next one;
// the one before it again is acknowledged again; the image is complete with a
// short block or once the announced size has come.
class TftpImageReceiver {
public:
    // A module's flash holds a web image of a few hundred KiB: more than this
    // is refused rather than held in memory.
    static constexpr std::size_t kLargestImage = 16u << 20;

    enum class Kind {
        NotData,     // no data packet, or a longer one than a block
        Again,       // the block before the expected one, sent again
        OutOfOrder,  // any other number
        AfterEnd,    // the next block after the image was complete
        TooLarge,    // the next block, past kLargestImage
        Next,        // the next block, to take
    };
    struct Block {
        Kind kind = Kind::NotData;
        std::uint16_t number = 0;
        std::string_view data;
    };

    explicit TftpImageReceiver(std::optional<std::uint64_t> size) : size_(size) {}

    Block classify(std::string_view packet) const;
    // Takes a Next block; true when the image is complete with it.
    bool take(const Block& block);
    // An AfterEnd block is acknowledged and counted, not kept.
    void pass() { ++expected_; }

    const std::string& image() const { return image_; }
    int blocks() const { return blocks_; }
    bool complete() const { return complete_; }

private:
    std::optional<std::uint64_t> size_;
    std::uint16_t expected_ = 1;
    int blocks_ = 0;
    std::string image_;
    bool complete_ = false;
};

}  // namespace quillmar::sim
