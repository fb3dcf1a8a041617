#include "tftp_transfer.h"

#include <cstdlib>

namespace quillmar::sim {
namespace {

constexpr std::uint16_t kOpWrite = 2;
constexpr std::uint16_t kOpData = 3;

std::uint16_t number16(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[at]) << 8)
                                      | static_cast<unsigned char>(bytes[at + 1]));
}

// The number a "tsize" value gives: decimal digits only, and not past what
// 64 bits hold.
std::optional<std::uint64_t> sizeOf(const std::string& value)
{
    if (value.empty() || value.size() > 19 || value.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::strtoull(value.c_str(), nullptr, 10);
}

}  // namespace

std::string lowered(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::optional<TftpWriteRequest> parseTftpWriteRequest(std::string_view packet)
{
    if (packet.size() < 4 || number16(packet, 0) != kOpWrite)
        return std::nullopt;
    // The NUL-ended texts after the opcode; an unended rest is dropped.
    std::vector<std::string> texts;
    for (std::size_t start = 2; start < packet.size();) {
        const std::size_t end = packet.find('\0', start);
        if (end == std::string_view::npos)
            break;
        texts.emplace_back(packet.substr(start, end - start));
        start = end + 1;
    }
    TftpWriteRequest request;
    if (!texts.empty())
        request.name = texts[0];
    if (texts.size() > 1)
        request.mode = texts[1];
    for (std::size_t i = 2; i + 1 < texts.size(); i += 2) {
        request.options.emplace_back(texts[i], texts[i + 1]);
        if (lowered(texts[i]) == "tsize")
            request.size = sizeOf(texts[i + 1]);
    }
    return request;
}

TftpImageReceiver::Block TftpImageReceiver::classify(std::string_view packet) const
{
    Block block;
    if (packet.size() < 4 || number16(packet, 0) != kOpData || packet.size() > kTftpBlockBytes + 4)
        return block;
    block.number = number16(packet, 2);
    block.data = packet.substr(4);
    if (block.number == static_cast<std::uint16_t>(expected_ - 1))
        block.kind = Kind::Again;
    else if (block.number != expected_)
        block.kind = Kind::OutOfOrder;
    else if (complete_)
        block.kind = Kind::AfterEnd;
    else if (image_.size() + block.data.size() > kLargestImage)
        block.kind = Kind::TooLarge;
    else
        block.kind = Kind::Next;
    return block;
}

bool TftpImageReceiver::take(const Block& block)
{
    image_.append(block.data);
    ++blocks_;
    ++expected_;
    complete_ = block.data.size() < kTftpBlockBytes || (size_ && image_.size() >= *size_);
    return complete_;
}

}  // namespace quillmar::sim
