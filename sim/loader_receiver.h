#pragma once
// A module's serial loader without its pseudo-terminal: the menu when the
// module hands over, "U" to start an XMODEM receive, 132-byte blocks with an
// 8-bit checksum answered ACK or NAK, and EOT that stores the image. Two CAN
// bytes between blocks cancel a transfer and bring the menu back, and a
// carriage return shows the menu again, so that an upgrade stopped halfway
// can be started again on the loader. What the
// PC sends goes in; what the loader writes back comes out. Faults make it
// misbehave the way a real line or loader can (LoaderSetup).
#include <cstddef>
#include <cstdint>
#include <string>

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

class LoaderReceiver {
public:
    // A firmware image larger than a module's flash is refused block by block.
    static constexpr std::size_t kLargestImage = 16u << 20;

    LoaderReceiver(const LoaderSetup& setup, RequestLog& log) : setup_(setup), log_(log) {}

    // The module was told to hand over: the menu to write.
    std::string handOver(std::uint32_t moduleAddress);
    // Bytes from the PC; what the loader writes back.
    std::string receive(const unsigned char* bytes, std::size_t length);
    // A tick of the NAK timer: the NAK that asks for the first block, while
    // one is still awaited.
    std::string nakTick();

    // Whether the NAK timer should run (set by "U", cleared by the first
    // block and by the EOT that ends the transfer).
    bool naksWanted() const { return naks_; }
    // The line went silent (fault drop=K): whatever comes is not read.
    bool silent() const { return state_ == State::Silent; }
    const std::string& image() const { return image_; }
    int blocksTaken() const { return blocksTaken_; }

private:
    enum class State { Firmware, Menu, Receiving, Silent, Finished };

    void takeBlock(std::string& out);
    void answer(unsigned char byte, std::string& out) const;
    void storeImage();

    const LoaderSetup& setup_;
    RequestLog& log_;
    State state_ = State::Firmware;
    bool naks_ = false;
    std::string pending_;  // bytes of a block not yet complete
    std::string image_;
    unsigned char expected_ = 1;
    int blocksTaken_ = 0;
    int naksGiven_ = 0;
    int eotsTaken_ = 0;
    int cansInRow_ = 0;  // CAN bytes in a row between blocks: two end a transfer
};

}  // namespace quillmar::sim
