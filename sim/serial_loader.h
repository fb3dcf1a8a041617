#pragma once
// A module's serial loader on a pseudo-terminal (a test points QUILLMAR_COMn at
// the link): when the module is told to hand over ("$SYCS" on its command
// port) the loader prints its menu; "U" selects "Update", the loader answers
// "Downloading" and receives the image by XMODEM (128-byte blocks, 8-bit
// checksum), storing it in a file. Faults make it misbehave the way a real
// line or loader can.
#include <cstdint>
#include <optional>
#include <string>

#include "event_loop.h"
#include "loader_receiver.h"
#include "request_log.h"

namespace quillmar::sim {

// "LINK[,address=A.B.C.D][,image=FILE][,menu=update|plain][,nak=never|N]
// [,stray=0|1][,drop=K][,nakEvery=MS][,eot=ack|nakonce|silent]" as --loader-pty takes it.
std::optional<LoaderSetup> parseLoaderOption(const std::string& option, std::string& error);

class SerialLoader {
public:
    SerialLoader(LoaderSetup setup, RequestLog& log, EventLoop& loop);
    ~SerialLoader();
    SerialLoader(const SerialLoader&) = delete;
    SerialLoader& operator=(const SerialLoader&) = delete;

    // Makes the pty and its link; false (with `error`) when it cannot.
    bool open(std::string& error);
    // The module was told to hand over to its loader.
    void handOver(std::uint32_t moduleAddress);

private:
    // How long a write waits for room on a line nobody reads.
    static constexpr int kWriteWaitMs = 1000;

    void serveLine();
    void write(const std::string& bytes);
    // Starts or stops the NAK timer as the receiver wants it.
    void syncNakTimer();
    void onNakTimer();

    LoaderSetup setup_;
    RequestLog& log_;
    EventLoop& loop_;
    LoaderReceiver receiver_;
    int master_ = -1;
    int slave_ = -1;
    int timer_ = -1;
    bool naksRunning_ = false;
    std::string slaveName_;
};

}  // namespace quillmar::sim
