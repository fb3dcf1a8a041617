#pragma once
// What the starter of a reboot or a firmware upgrade tells the user about a
// worker's result code.
#include <optional>
#include <string>

namespace quillmar {

struct OutcomeMessage {
    std::string title;  // "Finished" or "Error"
    std::string text;
    bool question = false;  // Yes and No (a broadcast search on Yes); else OK with a warning icon
};

// Nothing for a code the user is not told about (a cancelled worker).
// An "Error" box with `text`.
OutcomeMessage errorOutcome(std::string text);
// The failures every device session words alike: nothing sent for want of the
// privilege or a good log-in key, a refused log-in, a failed command, a file
// that would not open. Nothing for any other code.
std::optional<OutcomeMessage> sessionFailureOutcome(int code);

std::optional<OutcomeMessage> rebootOutcome(int code);
std::optional<OutcomeMessage> upgradeOutcome(int code);

// Once the device has been told to hand over to its serial loader, a stopped
// upgrade leaves it there with part of an image: the user is asked first and
// told afterwards.
inline constexpr char kStaysInLoaderText[] = "The printer will stay in its loader until an upgrade completes.";
std::string upgradeStopQuestion();
OutcomeMessage upgradeStoppedOutcome();
// After a stop once the printer was handed over: how to finish, as the
// question that offers it (the upgrade again, straight to the loader on
// `portName`).
std::string upgradeStoppedQuestion(const std::string& portName);

}  // namespace quillmar
