#pragma once
// "Save to Module" to many modules at once. Every module gets the configuration
// window's exchange (its own SaveExchange: header and record, the probe of its
// old address at tick 19, the verdict at tick 31), but all of them share one
// socket on the local port 6000, where each answer is handed to the exchange of
// the module it came from, and one timer that ticks every exchange, so forty
// modules take one save time. Before its save each module's record is read
// (the read request, as "ReFresh" sends it), and a planner given by the verb
// decides from that record what to save, or that the module is left alone.
//
// Modules may be added while others are already saving (a search that lists
// them one by one); run() returns once every module has its verdict and
// noMoreModules() was called. A save that starts between two ticks of the
// shared timer counts its first tick at the next one, so its probe and verdict
// may come up to one tick early.
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/save_exchange.h"
#include "history/record_changes.h"
#include "record/device_entry.h"
#include "write/module_read.h"

namespace quillmar {

struct ModuleVerdict {
    enum class Outcome {
        Confirmed,    // "Save to Module OK"
        Unconfirmed,  // still answering at its old address after the probe
        Skipped,      // the planner left it alone (a rule, another address of the same module)
        NoAnswer,     // no answer to the read
        Failed,       // a short answer, a refused send, no backup
        Interrupted,  // the user stopped the run before its verdict
        WouldSave,    // a dry run: read and every rule passed, nothing sent
        Unchanged,    // the record would not change: nothing sent
        NotFound,     // a module named by its MAC did not answer the search
    };
    // After a confirmed save, when asked: the module's record read again.
    enum class Readback {
        NotAsked,
        Verified,      // every field as sent
        Differs,       // see differences
        NotSeenAgain,  // the module did not answer again in time
        Stopped,       // the user stopped the wait before it answered again
        Conflict,      // a DHCP module's MAC answered from two addresses
    };
    std::uint32_t address = 0;  // first number in the top byte
    QString addressText;
    // The PC's interface the module was heard on, which its datagrams go out
    // of and answers must come in on; 0: the routing table's choice, any.
    unsigned interfaceIndex = 0;
    QString mac;                      // the printer the verdict is about, when no record was read
    std::optional<DeviceEntry> read;  // the record as the module reported it
    std::optional<DeviceEntry> sent;  // the record saved, or that a dry run would save
    Outcome outcome = Outcome::NoAnswer;
    QString message;     // why, for every outcome but Confirmed
    QString backupPath;  // where the record read was stored before the save
    bool saveSent = false;
    Readback readback = Readback::NotAsked;
    std::vector<ChangedField> differences;  // Differs: from is what was sent, to what was found
    QString wifiCheck;                      // what the Wi-Fi check found, when it ran
    QString slip;                           // "printed at ..." or "not printed: ...", when asked
    QString readbackAddress;                // where the module answered again
};

// A module to save: where it answered, and on which of the PC's interfaces
// (0: not known, the routing table's choice).
struct FleetTarget {
    std::uint32_t address = 0;
    unsigned interfaceIndex = 0;
    bool operator==(const FleetTarget&) const = default;
};

// What to do with a module once its record has been read.
struct SavePlan {
    std::optional<DeviceEntry> record;                                 // saved when set
    ModuleVerdict::Outcome outcome = ModuleVerdict::Outcome::Skipped;  // otherwise
    QString message;
    QString backupPath;
    QString wifiCheck;  // what the Wi-Fi check found, when it ran

    static SavePlan save(const DeviceEntry& record, const QString& backupPath = {})
    {
        return {record, ModuleVerdict::Outcome::Confirmed, {}, backupPath, {}};
    }
    static SavePlan leave(ModuleVerdict::Outcome outcome, const QString& message)
    {
        return {std::nullopt, outcome, message, {}, {}};
    }
    // A dry run: the record that would be saved; nothing is sent.
    static SavePlan preview(const DeviceEntry& record)
    {
        return {record, ModuleVerdict::Outcome::WouldSave, QStringLiteral("would save"), {}, {}};
    }
};

// Told as the modules go; all calls come from the thread that runs the driver.
class FleetSaveObserver {
public:
    virtual ~FleetSaveObserver() = default;
    // The save datagrams are about to go out.
    virtual void saveStarting(const ModuleVerdict&) {}
    // The exchange's status line, but for the waiting animation ("Response from
    // ...", "Save to Module OK").
    virtual void statusChanged(const ModuleVerdict&, const QString&) {}
    virtual void finished(const ModuleVerdict&) {}
};

struct FleetTiming {
    std::chrono::milliseconds tick = kSaveTickInterval;
    std::chrono::milliseconds readWait = kConfigReplyWait;
};

class FleetSave : public QObject {
    Q_OBJECT

public:
    using Planner = std::function<SavePlan(const ModuleReading&)>;

    FleetSave(Planner planner, FleetTiming timing = {}, FleetSaveObserver* observer = nullptr);
    ~FleetSave() override;

    // Takes the local port 6000 (config/config_port.h); an error text when it cannot.
    std::optional<QString> open();
    // Reads the module at `address` (heard on `interfaceIndex`, 0 when not
    // known) and saves what the planner says, its read starting `hold` from
    // now. A module already added is not added again; two modules with one
    // address on two networks are two.
    void add(std::uint32_t address, unsigned interfaceIndex = 0,
             std::chrono::milliseconds hold = std::chrono::milliseconds(0));
    // No module is added after this one; run() may end.
    void noMoreModules();
    // Runs until every module added has its verdict and noMoreModules() came,
    // or until `stopRequested` (asked every 100 ms) says the user wants to stop:
    // then every module without a verdict is Interrupted and no more are added.
    void run(const std::function<bool()>& stopRequested = {});
    bool interrupted() const { return interrupted_; }
    // Ends the run from outside it (a window that runs no loop of its own
    // closes): every module without a verdict is Interrupted.
    void stop() { interrupt(); }

    // In the order the modules were added.
    std::vector<ModuleVerdict> verdicts() const;

private:
    struct Module;
    class ModuleHost;

    // Starts the reads of waiting modules while fewer than kMostReadsAtOnce are out.
    void startReads();
    void datagramArrived(const QByteArray& datagram, const QString& fromAddress, unsigned interfaceIndex);
    // The planner's answer to the module's record; a record to save starts the ticks.
    std::optional<DeviceEntry> plan(Module& module, const QByteArray& answer);
    void tickAll();
    void finish(Module& module, ModuleVerdict::Outcome outcome, const QString& message);
    void quitWhenDone();
    void interrupt();

    Planner planner_;
    FleetTiming timing_;
    FleetSaveObserver* observer_;
    ConfigPort::Subscription port_;
    QTimer ticks_;
    static constexpr long kMostReadsAtOnce = 32;
    std::vector<std::unique_ptr<Module>> modules_;
    std::deque<Module*> waiting_;                                      // added, their read not started yet
    std::map<std::pair<std::uint32_t, unsigned>, Module*> byAddress_;  // by address and interface
    bool noMore_ = false;
    bool interrupted_ = false;
    std::function<void()> quit_;
};

}  // namespace quillmar
