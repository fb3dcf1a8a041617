#pragma once
// The TFTP write of a web image to a module: a write request to UDP port 69
// naming the file and its size ("tsize", RFC 2349), then the file in 512-byte
// blocks, each acknowledged before the next. The module answers from a port of
// its own; the data goes there. A file whose size is a multiple of 512 ends
// with its last full block (the module knows the size). Only datagrams from
// the module's address are answers; anything else that arrives is not.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "maintenance/maintenance_progress.h"
#include "maintenance/maintenance_timing.h"
#include "record/module_protocol.h"

namespace quillmar {

// A request must fit one TFTP packet of 512 bytes.
inline constexpr std::size_t kTftpMaxRequestBytes = 512;

// The name a request carries: the path's text after its last '/'.
std::string tftpFileName(std::string_view path);

// 00 02, name, 00, "octet", 00, "tsize", 00, the size in decimal, 00; nothing
// when the name is empty or the request would not fit one packet.
std::optional<std::string> tftpWriteRequest(std::string_view fileName, std::uint64_t size);

// Whether a datagram from the module acknowledges `block`: exactly 00 04 and
// the block number. A duplicate, an error datagram or anything longer is not.
bool isTftpAcknowledgement(std::string_view datagram, std::uint16_t block);

class TftpUpload {
public:
    enum Result { kDone = 0, kFailed = -1, kStopped = -2 };

    // `server` in network byte order; the request goes to its port `port`.
    TftpUpload(std::uint32_t server, const TftpTiming& timing, MaintenanceProgress& progress,
               const std::atomic<bool>* stopRequested, std::uint16_t port = kTftpPort);
    ~TftpUpload();
    TftpUpload(const TftpUpload&) = delete;
    TftpUpload& operator=(const TftpUpload&) = delete;

    // Sends `request` until the module acknowledges it with 00 04 00 00; the
    // acknowledgement's port becomes the data destination.
    Result sendRequest(const std::string& request);
    // Sends `size` bytes read from `fd` (at its start). A file that ends early
    // or holds more than `size` bytes fails: only the announced bytes are sent.
    Result sendData(int fd, std::uint64_t size);

private:
    enum class Answer { Datagram, Silence, Failed };
    bool stopRequested() const;
    bool sendTo(const std::string& datagram, std::uint16_t port);
    // Waits for one datagram from the module's address, up to the answer wait.
    Answer awaitAnswer(std::string& datagram, std::uint16_t& fromPort);
    // One datagram sent until its acknowledgement with `block` comes.
    Result exchange(const std::string& datagram, std::uint16_t port, std::uint16_t block, const std::string& text,
                    bool takePort);

    std::uint32_t server_;
    std::uint16_t requestPort_;
    TftpTiming timing_;
    MaintenanceProgress& progress_;
    const std::atomic<bool>* stopRequested_;
    int socket_ = -1;
    std::uint16_t dataPort_ = 0;
};

}  // namespace quillmar
