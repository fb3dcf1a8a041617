#pragma once
// A module's TFTP server (UDP 69) for the web image: once the module was told
// "$SYCN" on its command port it takes one write request, answers it from a
// port of its own (the transfer's), acknowledges each 512-byte block and stores
// the image when the size announced by "tsize" (or a short block) has come.
// Faults make it misbehave the way a module or a network can.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "event_loop.h"
#include "request_log.h"

namespace quillmar::sim {

enum class TftpFault {
    None,
    Silent,     // no acknowledgement of the fault block (0: of the request)
    Duplicate,  // the fault block is answered with the previous block's acknowledgement
    Error,      // the fault block (0: the request) is answered with an error datagram
    OtherPort,  // from the fault block on, acknowledgements come from yet another port
};

struct TftpSetup {
    std::uint32_t address = 0;  // host order; the server listens on address:69
    std::string imagePath;      // where a received image goes; empty: not stored
    bool needsCommand = true;   // takes a request only after "$SYCN" (armed=sycn)
    TftpFault fault = TftpFault::None;
    int faultBlock = 1;  // 0 is the request
};

// "address=A.B.C.D[,image=FILE][,armed=sycn|always]
// [,fault=none|silent|duplicate|error|otherport][,faultBlock=N]" as --tftp takes it.
std::optional<TftpSetup> parseTftpOption(const std::string& option, std::string& error);

class TftpServers {
public:
    TftpServers(RequestLog& log, EventLoop& loop);
    ~TftpServers();
    TftpServers(const TftpServers&) = delete;
    TftpServers& operator=(const TftpServers&) = delete;

    // Listens for every setup; false (with `error`) when a port cannot be opened.
    bool open(const std::vector<TftpSetup>& setups, std::string& error);
    // The module at this address was told "$SYCN": its server takes the next request.
    void makeReady(std::uint32_t moduleAddress);

private:
    struct Server;
    struct Transfer;
    void takeRequest(Server& server);
    void takeData(Transfer& transfer);
    void acknowledge(Transfer& transfer, std::uint16_t block);
    void finish(Transfer& transfer);
    void endTransfer(Server& server);

    RequestLog& log_;
    EventLoop& loop_;
    std::vector<std::unique_ptr<Server>> servers_;
};

}  // namespace quillmar::sim
