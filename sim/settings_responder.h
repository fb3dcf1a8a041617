#pragma once
// A printer's side of the direct settings exchange, without any transport: the
// bytes the PC sends go in, the bytes the printer answers come out. The read
// command 1D 67 57 47 is answered with the leading bytes (6 on a serial line,
// none over USB) and the 256-byte record; the write command 1D 67 57 53 is
// followed by 256 bytes that become the record. Faults on request make the
// printer misbehave the ways a real one does.
#include <chrono>
#include <cstddef>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "record/device_entry.h"
#include "request_log.h"

namespace quillmar::sim {

enum class SettingsFault {
    None,
    Silent,       // answers no read
    LeadingOnly,  // answers a read with the leading bytes only
    Short,        // answers with the leading bytes and only part of the record
    ReadAgain,    // answers with the model name ";1" (the printer wants the read repeated)
    Echo,         // echoes the 4 command bytes in front of the reply
    ExtraLead,    // sends one leading byte too many (7 on a serial line, 1 over USB)
    Random,       // answers with random bytes, as many as a whole reply
};

struct SettingsPrinter {
    DeviceEntry record;
    SettingsFault fault = SettingsFault::None;
    std::size_t shortLength = 100;  // record bytes a Short reply carries
    unsigned faultReads = 0;        // the fault spoils this many reads, then the printer answers; 0: all
};

// "key=value,...": the record's field names (defaults: a sample printer), and
// fault=none|silent|lead|short|again|echo|extralead|random, shortLength=1..255,
// faultReads=N.
std::optional<SettingsPrinter> parseSettingsPrinter(const std::string& options, std::string& error);

class SettingsResponder {
public:
    using Clock = std::chrono::steady_clock;
    // A record that stops coming for this long is dropped, and the next bytes
    // are read as a new command.
    static constexpr std::chrono::milliseconds kRecordGap{2000};

    // `port` names the printer in the log; `log` may be null.
    SettingsResponder(SettingsPrinter printer, std::size_t leadingBytes, RequestLog* log, std::string port);

    // The bytes the PC sent; returns what the printer answers (often nothing).
    std::vector<unsigned char> receive(const unsigned char* data, std::size_t length,
                                       Clock::time_point now = Clock::now());

    const DeviceEntry& record() const { return printer_.record; }
    unsigned readsSeen() const { return readsSeen_; }
    unsigned writesStored() const { return writesStored_; }

private:
    std::vector<unsigned char> answerRead();
    void storeRecord();

    SettingsPrinter printer_;
    std::size_t leadingBytes_;
    RequestLog* log_;
    std::string port_;
    std::vector<unsigned char> pending_;  // bytes not yet understood
    bool awaitingRecord_ = false;
    Clock::time_point lastByte_{};
    unsigned readsSeen_ = 0;
    unsigned writesStored_ = 0;
    // Seeded the same every run, so a failing test sees the same noise again.
    std::mt19937 noise_{0x5157};
};

// The leading bytes a printer sends on a serial line before the record; the
// PC drops them unseen, so any non-zero bytes do.
inline constexpr std::size_t kSerialLeadingBytes = 6;

}  // namespace quillmar::sim
