#pragma once
// The base of the verbs that save records to modules over the network (config
// set, config apply, config restore). It takes the modules (ADDRESS... or --all
// with --family, or one ADDRESS), reads each module's record, asks the verb
// what to save to it, stores the backup, and runs every save at once through
// FleetSave. One module is reported as one save always was: its status lines
// and, on failure, its message; several (or --json) end with a table of
// verdicts. Exit status 0 only when every save was confirmed. --dry-run stops
// each module before its save and says what would change; --verify reads each
// saved module again and compares.
#include <QHash>
#include <QStringList>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "fleet_report.h"
#include "history/sealed_file.h"
#include "module_verb_base.h"
#include "search_options.h"
#include "verb.h"
#include "wifi_checker.h"
#include "write/fleet_save.h"
#include "write/module_census.h"
#include "write/readback.h"
#include "write/write_guard.h"
#include "write/write_plan.h"

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
    // What to write to a module whose record was read: the fields the user
    // set, and the printer the verb names (its MAC) when it names one. Nothing,
    // with `message` set, leaves the module alone. The plan (write/write_plan.h)
    // then checks the record, the printer, the rules and the guard.
    struct ModuleWrite {
        std::string chosenMac;
        std::vector<FieldChange> changes;
    };
    virtual std::optional<ModuleWrite> writeFor(const ModuleReading& module, QString& message) = 0;

    // Whether the run writes to more than one module (or to whatever --all
    // finds), for prepare().
    bool writesToMany(const QStringList& addressWords) const { return all_ || addressWords.size() > 1; }
    // Whether a record the verb saves may carry a new ipAddress: the address
    // guard then searches the PC's networks once before anything is sent.
    virtual bool changesAddresses() const { return false; }

    // A run that names its modules by MAC (config apply --map): one search
    // lists every module first, and chooseTargets() picks the addresses to
    // save from what answered, puts a verdict for each module it names that
    // did not answer into `left`, or ends the run (an exit status) before
    // anything is sent. Set from prepare().
    void setSearchFirst(bool searchFirst) { searchFirst_ = searchFirst; }
    virtual std::optional<int> chooseTargets(const std::vector<CensusModule>& found, std::vector<FleetTarget>& targets,
                                             std::vector<ModuleVerdict>& left, VerbContext& context);
    // Whether a module whose record would not change is left alone ("unchanged").
    virtual bool skipsUnchanged() const { return false; }
    // Whether the records sent carry a Wi-Fi key the command gives (key,
    // wpaPsk): with --all such a run lists what answered and goes on only when
    // confirmed on a terminal or given --yes, since any host that answers a
    // broadcast would otherwise be sent the key.
    virtual bool sendsWifiKey() const { return false; }
    bool allowsDuplicateAddresses() const { return guard_.allowsDuplicates(); }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) final;
    SavePlan plan(const ModuleReading& module, VerbContext& context);
    int searchAndSave(FleetSave& fleet, const StopSignals& stops, VerbContext& context);
    int searchThenSave(FleetSave& fleet, const StopSignals& stops, VerbContext& context);
    // --all with a Wi-Fi key: the modules found, once per MAC and of the
    // family only, listed on standard error; nothing, or the exit status of a
    // run that is not confirmed.
    // The PC's addresses the search goes out from, announced on standard
    // error; nothing, with `refused` the exit status, when the options name
    // none.
    std::optional<std::vector<LocalAddress>> announceSearch(VerbContext& context, int& refused) const;
    std::optional<int> confirmKeyTargets(std::vector<CensusModule>& found, VerbContext& context) const;
    // The end of a run: the read-back when asked, the audit lines, the report.
    int finish(std::vector<ModuleVerdict> verdicts, const StopSignals& stops, VerbContext& context);
    // --slip: a test slip on every printer whose save is proven.
    void printSlips(std::vector<ModuleVerdict>& verdicts, VerbContext& context);
    // One audit line for every module the run met, with its verdict.
    void audit(const std::vector<ModuleVerdict>& verdicts, VerbContext& context);

    Targets targets_;
    bool all_ = false;
    bool yes_ = false;
    bool keyToAll_ = false;  // --all with a Wi-Fi key, not a dry run
    int family_ = 0;
    bool json_ = false;
    bool noBackup_ = false;
    bool dryRun_ = false;
    bool showSecrets_ = false;
    bool verify_ = false;
    bool ssidNotSeenOk_ = false;
    bool slip_ = false;
    WifiChecker wifi_;
    std::chrono::milliseconds verifyTimeout_ = kDefaultVerifyTimeout;
    std::unique_ptr<FileSealer> sealer_;  // --encrypt-backups

protected:
    WriteGuard& guard() { return guard_; }

private:
    WriteGuard guard_;
    SearchChoice search_;
    bool searchFirst_ = false;
    bool oneAtATime_ = false;  // reported as one save always was
    std::chrono::milliseconds tick_ = kSaveTickInterval;
    std::vector<std::uint32_t> addresses_;
    QHash<QString, QString> macsSeen_;  // MAC -> the address it answered at first
    // The account of each module's write, from its plan to its verdict.
    std::map<std::pair<std::uint32_t, unsigned>, std::unique_ptr<PlannedWrite>> journals_;
};

}  // namespace quillmar::cli
