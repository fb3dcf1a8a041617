#pragma once
// "Save to Module" from the command line: the configuration window's save
// exchange (header and record from local port 6000, the probe of the old
// address at tick 19, the verdict at tick 31) with the same timing, except
// that a module still answering at the deciding tick ends the run as not
// confirmed instead of waiting for ever.
#include <QString>

#include <chrono>
#include <functional>
#include <string>

#include "config/save_exchange.h"
#include "record/device_entry.h"

namespace quillmar::cli {

struct UdpSaveResult {
    enum class Outcome { Confirmed, Unconfirmed, Failed };
    Outcome outcome = Outcome::Failed;
    std::string error;  // Failed: what went wrong
};

// Sends `record` to `targetAddress` and waits for the verdict; `probeAddress` is
// the module's address before the save. `progress` gets the status texts that
// are not the waiting animation ("Response from ...", "Save to Module OK").
UdpSaveResult saveOverUdp(const DeviceEntry& record, const QString& targetAddress, const QString& probeAddress,
                          std::chrono::milliseconds tick = kSaveTickInterval,
                          const std::function<void(const QString&)>& progress = {});

}  // namespace quillmar::cli
