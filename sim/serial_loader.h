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
#include "request_log.h"

namespace quillmar::sim {

// How the loader answers the EOT that ends a transfer.
enum class EotAnswer {
    Ack,      // at once
    NakOnce,  // NAK the first, ACK the one sent again
    Silent,   // never
};

struct LoaderSetup {
    std::string linkPath;
    std::uint32_t moduleAddress = 0;  // host order; 0: any module's "$SYCS" wakes it
    std::string imagePath;            // where a received image goes; empty: not stored
    bool offersUpdate = true;         // false: a menu without "Update"
    bool neverNak = false;            // never asks for the first block
    int naksPerBlock = 0;             // the first block is answered with NAK this often, then ACK
    bool strayBytes = false;          // junk before every answer
    int dropAfterBlocks = -1;         // after this many acknowledged blocks the line goes silent
    int nakIntervalMs = 1000;         // how often it asks for the first block
    EotAnswer eot = EotAnswer::Ack;
};

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
    enum class State { Firmware, Menu, Receiving, Silent, Finished };

    void serveLine();
    void receiveBytes(const unsigned char* bytes, std::size_t length);
    void takeBlock();
    void answer(unsigned char byte);
    void write(const std::string& bytes);
    void startNaks();
    void stopNaks();
    void onNakTimer();
    void storeImage();

    LoaderSetup setup_;
    RequestLog& log_;
    EventLoop& loop_;
    int master_ = -1;
    int slave_ = -1;
    int timer_ = -1;
    std::string slaveName_;
    State state_ = State::Firmware;
    std::string pending_;  // bytes of a block not yet complete
    std::string image_;
    unsigned char expected_ = 1;
    int blocksTaken_ = 0;
    int naksGiven_ = 0;
    int eotsTaken_ = 0;
};

}  // namespace quillmar::sim
