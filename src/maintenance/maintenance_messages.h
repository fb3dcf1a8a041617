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
std::optional<OutcomeMessage> rebootOutcome(int code);
std::optional<OutcomeMessage> upgradeOutcome(int code);

}  // namespace quillmar
