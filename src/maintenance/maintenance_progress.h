#pragma once
// What a maintenance worker tells whoever shows its progress: the manager's
// progress window, or the command line's progress bar or plain lines. Calls
// come from the worker's thread.
#include <cstdint>
#include <string>

namespace quillmar {

// The progress window's bar.
inline constexpr int kPrgBarMinimum = 2;
inline constexpr int kPrgBarMaximum = 1000;
inline constexpr int kPrgBarStart = 10;
inline constexpr int kPrgBarStep = 10;

class MaintenanceProgress {
public:
    virtual ~MaintenanceProgress() = default;

    virtual void setText(const std::string& /*text*/) {}
    virtual void setBarPosition(int /*position*/) {}
    // One step of the bar; past the end it starts again from the beginning.
    virtual void stepBar() {}
    // Moves the bar on by `delta`, stopping at its end.
    virtual void advanceBar(int /*delta*/) {}
    // The firmware download: `sent` of `total` blocks are out and acknowledged
    // or awaiting their answer.
    virtual void blocksSent(std::int64_t /*sent*/, std::int64_t /*total*/) {}
    // One line for the message log.
    virtual void log(const std::string& /*line*/) {}
};

}  // namespace quillmar
