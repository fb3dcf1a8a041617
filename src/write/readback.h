#pragma once
// --verify: after "Save to Module OK" the module is asked for its record again,
// found by its MAC, and every field is compared with the record that was sent.
// A module saved with a STATIC address is asked there; one on DHCP is looked
// for by broadcast searches, and its address is not compared. All modules of a
// run are waited for together, within one wait.
//
// ReadbackRun does it without holding the caller: a window starts it and hears
// finished(); readBack() runs one to its end for the command line.
#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/config_port.h"
#include "write/fleet_save.h"
#include "write/module_census.h"

namespace quillmar {

inline constexpr std::chrono::seconds kDefaultVerifyTimeout{120};

struct ReadbackTiming {
    std::chrono::milliseconds timeout = kDefaultVerifyTimeout;
    std::chrono::milliseconds retry{2000};  // between two read requests to a module
};

class ReadbackRun : public QObject {
    Q_OBJECT

public:
    // Reads back every confirmed module of `verdicts`; the others are left as they are.
    ReadbackRun(std::vector<ModuleVerdict> verdicts, const ReadbackTiming& timing, QObject* parent = nullptr);
    ~ReadbackRun() override;

    // Asks the modules; finished() comes at once when none was confirmed.
    void start();
    // The user ends the wait: the modules not seen yet are Stopped.
    void stop();
    bool isDone() const { return done_; }
    const std::vector<ModuleVerdict>& verdicts() const { return verdicts_; }

signals:
    void finished();

private:
    struct Pending {
        std::size_t module;
        std::string mac;
        QString staticAddress;  // empty on DHCP
    };

    void found(const DeviceEntry& record, const QString& from, bool searched);
    void claimedTwice(const std::vector<CensusModule>& heard);
    void startCensus();
    void ask();
    void end();

    std::vector<ModuleVerdict> verdicts_;
    ReadbackTiming timing_;
    std::vector<Pending> pending_;
    ConfigPort::Subscription listening_;
    QTimer retry_;
    QTimer deadline_;
    std::atomic<bool> stopCensus_{false};
    std::atomic<bool> censusRunning_{false};
    std::thread census_;
    bool done_ = false;
};

// Fills readback, differences and readbackAddress of every confirmed module.
// `stopRequested` (asked every 100 ms) ends the wait early.
void readBack(std::vector<ModuleVerdict>& verdicts, const ReadbackTiming& timing,
              const std::function<bool()>& stopRequested = {});

// The fields of `found` that differ from `sent` (the address not when the
// module takes it by DHCP), keys masked.
std::vector<ChangedField> readbackDifferences(const DeviceEntry& sent, const DeviceEntry& found);

}  // namespace quillmar
