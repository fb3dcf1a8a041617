#pragma once
// The base of the verbs that save records to modules over the network (config
// set, config apply, config restore). It takes the modules (ADDRESS... or --all
// with --family, or one ADDRESS), reads each module's record, asks the verb
// what to save to it, stores the backup, and runs every save at once through
// FleetSave. One module is reported as one save always was: its status lines
// and, on failure, its message; several (or --json) end with a table of
// verdicts. Exit status 0 only when every save was confirmed.
#include <QHash>

#include <QStringList>
#include <map>
#include <memory>

#include <chrono>
#include <optional>
#include <vector>

#include "fleet_save.h"
#include "history/write_journal.h"
#include "verb.h"

namespace quillmar::cli {

class StopSignals;

class FleetVerb : public Verb {
protected:
    enum class Targets {
        Many,  // [ADDRESS...] or --all [--family 1|2]
        One,   // ADDRESS, the verb's first argument
    };

    FleetVerb(QString name, QString summary, Targets targets);

    // What --help says about the modules, the verdicts and the exit status.
    QString fleetDetails() const;

    // Reads the verb's own arguments before anything is sent. With
    // Targets::Many the verb moves the words that are addresses to
    // `addressWords`; with Targets::One the base has taken ADDRESS already.
    // An exit status ends the run there.
    virtual std::optional<int> prepare(const QCommandLineParser& parser, VerbContext& context,
                                       QStringList& addressWords) = 0;
    // The record to save to a module whose whole record was read, or nothing
    // with `message` set to the rule it breaks: the module is left alone.
    virtual std::optional<DeviceEntry> recordFor(const ModuleReading& module, QString& message) = 0;

    // Whether the run writes to more than one module (or to whatever --all
    // finds), for prepare().
    bool writesToMany(const QStringList& addressWords) const { return all_ || addressWords.size() > 1; }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) final;
    SavePlan plan(const ModuleReading& module, VerbContext& context);
    int searchAndSave(FleetSave& fleet, const StopSignals& stops, VerbContext& context);
    int report(std::vector<ModuleVerdict> verdicts, VerbContext& context) const;
    // One audit line for every module the run met, with its verdict.
    void audit(const std::vector<ModuleVerdict>& verdicts, VerbContext& context);

    Targets targets_;
    bool all_ = false;
    int family_ = 0;
    bool json_ = false;
    bool noBackup_ = false;
    bool oneAtATime_ = false;  // reported as one save always was
    std::chrono::milliseconds tick_ = kSaveTickInterval;
    std::vector<std::uint32_t> addresses_;
    QHash<QString, QString> macsSeen_;  // MAC -> the address it answered at first
    // The account of each module's write, from its plan to its verdict.
    std::map<std::uint32_t, std::unique_ptr<WriteJournal>> journals_;
};

// The exit status of a run: 0 when every save was confirmed; 3 when nothing was
// saved because no module answered; 2 when nothing was saved and a module was
// left alone for a rule; 1 otherwise.
int fleetExitStatus(const std::vector<ModuleVerdict>& verdicts);

}  // namespace quillmar::cli
