#pragma once
// --verify: after "Save to Module OK" the module is asked for its record again,
// found by its MAC, and every field is compared with the record that was sent.
// A module saved with a STATIC address is asked there; one on DHCP is looked
// for by broadcast searches, and its address is not compared. All modules of a
// run are waited for together, within one wait.
#include <chrono>
#include <functional>
#include <vector>

#include "write/fleet_save.h"

namespace quillmar {

inline constexpr std::chrono::seconds kDefaultVerifyTimeout{120};

struct ReadbackTiming {
    std::chrono::milliseconds timeout = kDefaultVerifyTimeout;
    std::chrono::milliseconds retry{2000};  // between two read requests to a module
};

// Fills readback, differences and readbackAddress of every confirmed module.
// `stopRequested` (asked every 100 ms) ends the wait early.
void readBack(std::vector<ModuleVerdict>& verdicts, const ReadbackTiming& timing,
              const std::function<bool()>& stopRequested = {});

// The fields of `found` that differ from `sent` (the address not when the
// module takes it by DHCP), keys masked.
std::vector<ChangedField> readbackDifferences(const DeviceEntry& sent, const DeviceEntry& found);

}  // namespace quillmar
