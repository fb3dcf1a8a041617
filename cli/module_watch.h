#pragma once
// discover --watch: the search again and again, one at a time, and what
// changed between two of them: modules that appeared, changed (any field of
// their record, or the address they answered from) or went silent. Modules are
// told apart by MAC, as the device list does.
#include <QString>

#include <chrono>
#include <vector>

#include "discovery/search_engine.h"
#include "record/device_entry.h"
#include "verb_context.h"

namespace quillmar::cli {

inline constexpr std::chrono::seconds kDefaultWatchInterval{10};

struct WatchEvent {
    enum class Kind { Appeared, Changed, Silent };
    Kind kind = Kind::Appeared;
    DeviceEntry module;                // as the later search found it (Silent: the earlier)
    std::vector<DeviceField> changed;  // Changed: the fields that differ
};

// Appeared and changed modules in the order `now` lists them, then the silent
// ones in the order `before` did.
std::vector<WatchEvent> compareSearches(const std::vector<DeviceEntry>& before, const std::vector<DeviceEntry>& now);

struct WatchSettings {
    SearchTarget target = SearchTarget::everyone();
    int family = 0;
    // From the start of one search to the start of the next; a search that
    // takes longer is followed at once by the next, never overlapped.
    std::chrono::milliseconds interval = kDefaultWatchInterval;
    bool json = false;
};

// Searches until SIGINT or SIGTERM and prints each search's events as they are
// found: a line per event for people, or one JSON object per line. Returns the
// exit status (0 when stopped by the user). Messages begin with the verb's
// `messagePrefix`.
int watchModules(const WatchSettings& settings, VerbContext& context, const QString& messagePrefix);

}  // namespace quillmar::cli
