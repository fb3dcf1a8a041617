#pragma once
// The datagrams of the printer-module search: a three-byte request to UDP port
// 5000, answered by the module's 256-byte settings record.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "record/device_entry.h"
#include "record/module_protocol.h"

namespace quillmar {

// The search request is the module's record request, 55 11 AA.
inline constexpr const std::array<std::uint8_t, 3>& SearchRequest = kRecordRequestBytes;

// The search socket of local address k is bound to this port + k.
inline constexpr std::uint16_t kSearchLocalPortBase = 16384;
// Replies are read into a buffer of this size; a longer datagram is ignored.
inline constexpr std::size_t kReplyBufferSize = 1024;
// The shortest datagram that carries the model name, device name, MAC and IP
// fields with at least one byte after them.
inline constexpr std::size_t kMinimumReplyLength = 75;

// Turns a received datagram into a device entry, or nothing when it is too
// short. The fields from the model name to the encryption type are taken byte
// for byte; the SSID, key and WPA key only up to their first NUL. Bytes a short
// reply does not carry read as zero. The IP field still holds what the module
// wrote; the caller replaces it with the sender's address.
std::optional<DeviceEntry> parseSearchReply(const void* data, std::size_t length);

// Whether a parsed reply reads as a module's own answer: its model name is
// printable text (at least one character of 0x20-0x7E up to its first NUL, as
// every module writes its name). Junk that happens to be long enough, and
// anything else a stranger sends to the search port, fails it; only answers
// that pass count toward a round and keep the search waiting.
bool isWellFormedReply(const DeviceEntry& entry);

// "%u.%u.%u.%u" of the sender's address, first octet first (address in host
// order, first octet in the top byte).
std::string formatSourceAddress(std::uint32_t address);

// Writes the sender's address into the entry's IP field: the address a module
// puts in its own reply is never used.
void setSourceAddress(DeviceEntry& entry, std::uint32_t address);

}  // namespace quillmar
