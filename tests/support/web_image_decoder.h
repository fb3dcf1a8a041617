#pragma once
// Reads a web image back for tests, written from the image layout alone (not
// from the builder): the 128-byte header with its marks, then records chained
// by their "next" addresses (file offset + 640), each with its name, response
// header and file bytes. Any field that disagrees with the others is reported.
#include <cstdint>
#include <string>
#include <vector>

namespace quillmar::test {

struct DecodedRecord {
    std::uint32_t address = 0;  // the record's own image address
    std::uint32_t next = 0;
    std::string name;            // without its NUL
    std::string responseHeader;  // empty for a "plain" file
    std::string data;
};

struct DecodedImage {
    std::string error;   // empty when the image reads cleanly
    std::string header;  // the first 128 bytes
    std::vector<DecodedRecord> records;
};

inline DecodedImage decodeWebImage(const std::string& image)
{
    DecodedImage decoded;
    const auto u8 = [&](std::size_t at) { return static_cast<unsigned char>(image[at]); };
    const auto u16 = [&](std::size_t at) { return static_cast<std::uint32_t>(u8(at) << 8 | u8(at + 1)); };
    if (image.size() < 128) {
        decoded.error = "shorter than its header";
        return decoded;
    }
    decoded.header = image.substr(0, 128);
    if (u8(0) != 0x55 || u8(1) != 0xAA || u8(2) != 0xF2 || u8(126) != 0xAA || u8(127) != 0x55) {
        decoded.error = "header marks";
        return decoded;
    }
    std::size_t offset = 128;
    while (offset < image.size()) {
        if (offset + 10 > image.size()) {
            decoded.error = "record header cut at offset " + std::to_string(offset);
            return decoded;
        }
        DecodedRecord record;
        record.address = static_cast<std::uint32_t>(offset + 640);
        record.next = u16(offset);
        const std::uint32_t nameAddress = u16(offset + 2);
        const std::uint32_t responseAddress = u16(offset + 4);
        const std::uint32_t dataAddress = u16(offset + 6);
        const std::uint32_t responseLength = u16(offset + 8);
        const std::string where = " in the record at " + std::to_string(record.address);
        if (nameAddress != ((record.address + 10) & 0xFFFF)) {
            decoded.error = "name address" + where;
            return decoded;
        }
        const std::size_t nameOffset = offset + 10;
        const std::size_t nul = image.find('\0', nameOffset);
        if (nul == std::string::npos) {
            decoded.error = "name without NUL" + where;
            return decoded;
        }
        record.name = image.substr(nameOffset, nul - nameOffset);
        if (responseAddress != ((nameAddress + record.name.size() + 1) & 0xFFFF) || dataAddress < responseAddress) {
            decoded.error = "response address" + where;
            return decoded;
        }
        const std::size_t headerLength = dataAddress - responseAddress;
        if (responseLength < headerLength) {
            decoded.error = "response length" + where;
            return decoded;
        }
        const std::size_t headerOffset = nul + 1;
        const std::size_t dataLength = responseLength - headerLength;
        if (headerOffset + headerLength + dataLength > image.size()) {
            decoded.error = "record runs past the image" + where;
            return decoded;
        }
        record.responseHeader = image.substr(headerOffset, headerLength);
        record.data = image.substr(headerOffset + headerLength, dataLength);
        const std::size_t end = headerOffset + headerLength + dataLength;
        const std::uint32_t endAddress = static_cast<std::uint32_t>(end + 640);
        if (record.next != (endAddress > 64640 ? 0 : endAddress)) {
            decoded.error = "next address" + where;
            return decoded;
        }
        decoded.records.push_back(record);
        offset = end;
    }
    return decoded;
}

}  // namespace quillmar::test
