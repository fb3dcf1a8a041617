#pragma once
// What the configuration window (and the command line) tells the user about a
// web image build's or upload's result code. A "Finished" message carries the
// information icon, an "Error" the warning icon.
#include <optional>

#include "maintenance/maintenance_messages.h"

namespace quillmar {

// Nothing for a code the user is not told about (a cancelled worker).
std::optional<OutcomeMessage> convertOutcome(int code);
std::optional<OutcomeMessage> uploadOutcome(int code);

}  // namespace quillmar
