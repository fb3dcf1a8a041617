#pragma once
// A module's verdict after a save in words, the same for the command line's
// tables and the windows: what the audit log keeps, what a person reads, and
// what a read-back found.
#include <QString>

#include "write/fleet_save.h"

namespace quillmar {

// "confirmed", "unconfirmed", "skipped", "no-answer", "failed", "interrupted",
// "would-save", "unchanged", "not-found"; after a read-back "verified",
// "differs", "not-seen-again".
QString verdictWord(const ModuleVerdict& module);
// The verdict as a person reads it, with its reason.
QString verdictText(const ModuleVerdict& module);
// The verdict as the audit log keeps it: "confirmed" (with the read-back's
// outcome when asked), otherwise verdictText.
QString auditVerdict(const ModuleVerdict& module);
// What the read-back found: "verified at ADDRESS", "differs at ADDRESS: ...",
// "not seen again", ...; empty when none was asked.
QString readbackText(const ModuleVerdict& module);
// "ssid sent Shop2, found ShopNet; ...": the fields a read-back found otherwise.
QString differencesText(const ModuleVerdict& module);

}  // namespace quillmar
