#include "maintenance/web_image_format.h"

#include <cstdio>

namespace quillmar {
namespace {

// Bytes 3 to 125 of every image, written unchanged. The module looks for the
// marks at 0-2 and 126-127; the block between them is ours and describes the
// layout the records were built with, so that an image can be checked without
// this program:
//   3-4    format version, 1
//   5-6    address of the first record, 768 (03 00)
//   7-8    address of file offset 0, 640 (02 80)
//   9-10   the image's room in bytes, 64640 (FC 80)
//   11-12  the longest entry name, 14 (00 0E)
//   13-125 zeros
// A firmware that expects other bytes here needs this block replaced; nothing
// else in the image depends on it.
constexpr std::array<std::uint8_t, 10> kLayoutBlock{0x00, 0x01, 0x03, 0x00, 0x02, 0x80, 0xFC, 0x80, 0x00, 0x0E};

WebImageHeader makeHeader()
{
    WebImageHeader header{};
    header[0] = 0x55;
    header[1] = 0xAA;
    header[2] = 0xF2;
    for (std::size_t i = 0; i < kLayoutBlock.size(); ++i)
        header[3 + i] = kLayoutBlock[i];
    header[126] = 0xAA;
    header[127] = 0x55;
    return header;
}

std::string_view contentTypeLine(std::string_view extension)
{
    if (extension == "htm" || extension == "html")
        return "Content-type: text/html\r\n";
    if (extension == "gif")
        return "Content-type: image/gif\r\n";
    if (extension == "png")
        return "Content-type: image/png\r\n";
    if (extension == "jpg")
        return "Content-type: image/jpeg\r\n";
    return "Content-Type: application/octet-stream\r\n";
}

}  // namespace

const WebImageHeader& webImageHeader()
{
    static const WebImageHeader header = makeHeader();
    return header;
}

bool hasWebImageMarks(std::string_view bytes)
{
    if (bytes.size() < kWebImageHeaderBytes)
        return false;
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    return at(0) == 0x55 && at(1) == 0xAA && at(2) == 0xF2 && at(126) == 0xAA && at(127) == 0x55;
}

std::string_view fileExtension(std::string_view fileName)
{
    const std::size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : fileName.substr(dot + 1);
}

std::string webResponseHeader(std::string_view fileName, std::size_t fileSize)
{
    const std::string_view extension = fileExtension(fileName);
    if (extension == "plain")
        return {};
    char length[48];
    std::snprintf(length, sizeof length, "Content-Length: %zu\r\n", fileSize);
    std::string header = "HTTP/1.1 200 OK\r\n";
    header += length;
    header += contentTypeLine(extension);
    header += "\r\n";
    return header;
}

std::array<std::uint8_t, kWebRecordHeaderBytes> encodeRecordHeader(const WebRecordHeader& header)
{
    std::array<std::uint8_t, kWebRecordHeaderBytes> bytes{};
    const std::uint32_t fields[] = {header.next, header.nameAddress, header.responseAddress, header.dataAddress,
                                    header.responseLength};
    for (std::size_t i = 0; i < 5; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>((fields[i] >> 8) & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(fields[i] & 0xFF);
    }
    return bytes;
}

}  // namespace quillmar
