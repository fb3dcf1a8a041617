#pragma once
// The one way every write to a printer is planned: the configuration window's
// "Save to Module" and save by COM port, the settings tools' "SAVE SETTING",
// and every write verb of the command line (config set, config apply and its
// map, config restore, com write, usb write) call planWrite with the printer
// the user chose, the record read from it just before the write, and the
// fields the user set. In this order, each step a refusal that sends nothing:
//   1. the answer is a record: its first 256 bytes, whose MAC, address and
//      coded fields parse (a longer answer is no fault, a shorter one is);
//   2. it is the chosen printer: the same MAC, else another printer answers
//      where the chosen one was (a swap, a new DHCP lease, a cable moved);
//      and no other host answers with that MAC (one of the two is a stranger
//      claiming the printer) unless the user picked this address; and on the
//      PC's own segment, the network card that sent it carries that MAC;
//   3. only the set fields change, on the record as read: what the user did
//      not set goes back as the printer holds it now, not as a window or a
//      list saw it earlier;
//   4. every text fits its field, never cut, and passes the path's rules and
//      what the printer's radio takes (write/radio_rules.h);
//   5. the address guard (write/write_guard.h) passes a new address;
//   6. the plan: the record to write, and field by field what changes.
// What follows is the path's own exchange, between a backup and an audit line
// (PlannedWrite below): backup, write, verdict, audit, read-back when asked.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/record_changes.h"
#include "history/write_journal.h"
#include "record/device_entry.h"
#include "write/field_change.h"
#include "write/field_rules.h"
#include "write/write_guard.h"

namespace quillmar {

struct WriteRequest {
    // The printer the user chose, by its MAC text; empty when the user named
    // only where it is (an address on the command line, a port).
    std::string chosenMac;
    // Where the record was read: an address, or a port or USB printer.
    QString where;
    bool onCable = false;  // `where` is a port or a USB printer
    // Where a module answered the read; the address it keeps when not moved.
    std::optional<std::uint32_t> answeredAt;
    std::vector<FieldChange> changes;
    const FieldRules* rules = &recordFieldRules();
    // The address guard; without one only the addresses no printer may take
    // are refused.
    WriteGuard* guard = nullptr;
};

struct WritePlan {
    enum class Step {
        Planned,         // every step passed
        NotARecord,      // 1
        AnotherPrinter,  // 2
        Conflict,        // 2: its MAC answers from another address too
        NotItsSender,    // 2: the card that sent it has another MAC
        Rule,            // 4
        Guard,           // 5: an address no printer may take
        AddressInUse,    // 5: another printer has it
    };
    Step step = Step::Planned;
    QString refusal;                  // why not, when refused; the path says what was not done
    std::optional<DeviceEntry> read;  // the record as read, once the answer is one
    DeviceEntry record;               // Planned: what goes to the printer
    std::string mac;                  // the printer's MAC: as read, else the chosen one

    bool refused() const { return step != Step::Planned; }
    // Planned, and the printer holds every set value already.
    bool unchanged() const { return !refused() && read && *read == record; }
    // What the write changes, field: from -> to (keys masked unless asked).
    std::vector<ChangedField> changes(bool showSecrets = false) const;
};

WritePlan planWrite(const WriteRequest& request, const QByteArray& answer);

// Step 4 on the values alone, before anything is read: each value by the
// path's rules (a choice may be rewritten to its item), then its length.
// The first failure as "field: message".
std::optional<QString> checkFieldChanges(const FieldRules& rules, std::vector<FieldChange>& changes);

// The account of one planned write, the same on every path: the record as
// read is backed up before anything is written (no backup, no write), and
// one audit line, keyed to the printer's MAC, keeps the verdict and what
// changed, refused writes included.
class PlannedWrite {
public:
    // `operation` as the log names it ("window save", "config set", ...).
    PlannedWrite(const QString& operation, const QString& where, WritePlan plan);

    const WritePlan& plan() const { return plan_; }
    // Stores the record as read (sealed by `sealer` when one is given); why
    // not, and then nothing may be written. `skip` (--no-backup) writes
    // without one.
    std::optional<QString> backUp(bool skip = false, const FileSealer* sealer = nullptr);
    const QString& backupPath() const { return journal_.backupPath(); }
    // Appends the audit line with `verdict` (once); why the log could not be
    // written. A refused plan is "refused: " and its reason unless told otherwise.
    std::optional<QString> finish(const QString& verdict);
    std::optional<QString> finishRefused() { return finish(QStringLiteral("refused: ") + plan_.refusal); }

    // Where the log goes (tests).
    void setLogPath(const QByteArray& path) { journal_.setLogPath(path); }

private:
    WritePlan plan_;
    WriteJournal journal_;
};

}  // namespace quillmar
