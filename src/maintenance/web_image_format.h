#pragma once
// The web image a module serves its pages from: a 128-byte header, then one
// record per page, each a ready-made HTTP response. Numbers are 16 bits, most
// significant byte first. An image address is a byte's offset in the file plus
// 640, so the first record (offset 128) sits at address 768.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

inline constexpr std::size_t kWebImageHeaderBytes = 128;
inline constexpr std::uint32_t kWebImageAddressBase = 640;
inline constexpr std::uint32_t kWebImageFirstRecord = kWebImageHeaderBytes + kWebImageAddressBase;  // 768
// The module's room for an image: no file may be larger, and no record's
// "next" may point past it.
inline constexpr std::size_t kWebImageMaxBytes = 64640;
inline constexpr std::size_t kWebRecordHeaderBytes = 10;
// "/" and a file name of at most 13 characters.
inline constexpr std::size_t kWebEntryNameMax = 14;
inline constexpr std::string_view kWebIndexEntry = "/index.html";
inline constexpr std::string_view kWebImageExtension = ".anf";

using WebImageHeader = std::array<std::uint8_t, kWebImageHeaderBytes>;

// The same 128 bytes start every image: the marks 55 AA F2 and AA 55 around
// the fixed block (web_image_format.cpp says what it holds).
const WebImageHeader& webImageHeader();

// Whether `bytes` (at least 128) begin with the marks an upload looks for.
bool hasWebImageMarks(std::string_view bytes);

// The text after the last "." of a file name, case kept; empty without a ".".
std::string_view fileExtension(std::string_view fileName);

// The response header stored before a file's bytes: status line, length,
// content type by extension, blank line. Empty for the extension "plain",
// whose bytes are stored as they are.
std::string webResponseHeader(std::string_view fileName, std::size_t fileSize);

// The 10-byte record header; each field holds the low 16 bits of its value.
struct WebRecordHeader {
    std::uint32_t next = 0;  // 0 when the next address would pass the image's room
    std::uint32_t nameAddress = 0;
    std::uint32_t responseAddress = 0;
    std::uint32_t dataAddress = 0;
    std::uint32_t responseLength = 0;  // response header + file bytes
};
std::array<std::uint8_t, kWebRecordHeaderBytes> encodeRecordHeader(const WebRecordHeader& header);

}  // namespace quillmar
