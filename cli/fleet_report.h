#pragma once
// What a many-module save (or its dry run) tells at its end: each module's
// verdict in words, the table or the JSON of all of them, and the exit status.
#include <QString>

#include <vector>

#include "verb_context.h"
#include "write/fleet_save.h"
#include "write/fleet_verdict.h"

namespace quillmar::cli {

struct FleetReportStyle {
    bool json = false;
    bool oneAtATime = false;   // one module, reported as one save always was
    bool showSecrets = false;  // a dry run's keys in clear
    bool dryRun = false;       // each module's changes instead of the verdicts
};

// The exit status of a run: 0 when every save was confirmed (and, when read
// back, verified) or, in a dry run, every module would be saved; 3 when nothing
// was saved because no module answered; 2 when nothing was saved and a module
// was left alone for a rule or a guard; 1 otherwise; 130 when stopped.
int fleetExitStatus(const std::vector<ModuleVerdict>& verdicts);

// Prints the verdicts (a dry run: each module's changes) and returns the exit
// status; a message to standard error begins with the verb's `messagePrefix`.
int reportFleet(const std::vector<ModuleVerdict>& verdicts, const FleetReportStyle& style, const QString& messagePrefix,
                VerbContext& context);

}  // namespace quillmar::cli
