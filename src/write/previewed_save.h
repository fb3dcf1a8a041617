#pragma once
// A window's write to one printer or to several, shown before it goes and
// proven after it: the History window's Restore and the configuration
// window's several-printers mode. Three steps, each started by the window:
//   preview(): every printer is read and its write planned (write_plan.h);
//     only read requests go out, and what would change is kept per printer;
//   save(): the printers whose plan passed are read again and saved, all in
//     one save time (FleetSave), each only when what would change is still
//     what was shown; backup first, one audit line per printer;
//   readBack(): the saved printers are asked again and compared (readback.h).
// Nothing holds the caller: each step ends with a signal.
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "history/record_changes.h"
#include "write/field_change.h"
#include "write/field_rules.h"
#include "write/fleet_save.h"
#include "write/module_read.h"
#include "write/readback.h"
#include "write/write_guard.h"
#include "write/write_plan.h"

namespace quillmar {

struct PreviewTarget {
    std::uint32_t address = 0;    // where the printer answered
    unsigned interfaceIndex = 0;  // 0: the routing table's choice
    std::string chosenMac;        // the printer, by its MAC
    QString name;                 // its device name as the user knows it
};

struct PreviewedPrinter {
    PreviewTarget target;
    QString addressText;
    // WouldSave when the plan passed; otherwise why the printer is left alone
    // (NoAnswer, Skipped with the refusal, Failed).
    ModuleVerdict preview;
    std::vector<ChangedField> changes;  // keys masked

    bool willSave() const { return preview.outcome == ModuleVerdict::Outcome::WouldSave; }
};

class PreviewedSave : public QObject {
    Q_OBJECT

public:
    // What to set on a printer once its record is read; nothing, with
    // `refusal` set, leaves it alone.
    using ChangesFor = std::function<std::optional<std::vector<FieldChange>>(const ModuleReading&, QString& refusal)>;

    // `operation` as the audit log names it; `guard` judges a new address.
    PreviewedSave(QString operation, std::vector<PreviewTarget> targets, ChangesFor changesFor, const FieldRules& rules,
                  WriteGuard guard, FleetTiming timing = {}, QObject* parent = nullptr);
    ~PreviewedSave() override;

    // Reads and plans; previewed() follows. Why not, when the configuration
    // port cannot be had (nothing was sent).
    std::optional<QString> preview();
    const std::vector<PreviewedPrinter>& printers() const { return printers_; }
    bool anyWillSave() const;

    // Saves the printers whose plan passed; moduleSaved() for each verdict,
    // saved() when all are in. The printers left alone by the preview get
    // their audit line now: the user went on without them.
    std::optional<QString> save();
    // After saved(): each printer's verdict, in the order of the targets.
    const std::vector<ModuleVerdict>& verdicts() const { return verdicts_; }

    // After saved(): the confirmed printers read again; readBackDone() follows.
    void readBack(const ReadbackTiming& timing = {});

    // The window closes: a save under way ends (its printers Interrupted, the
    // audit lines written), a read-back stops.
    void stop();
    bool isRunning() const;

    // Why audit lines could not be written, for the window's log.
    const QStringList& auditFailures() const { return auditFailures_; }

signals:
    void previewed();
    void moduleSaved(const quillmar::ModuleVerdict& verdict);
    void saved();
    void readBackDone();

private:
    class Progress;
    enum class Phase { Idle, Previewing, Saving, ReadingBack };

    std::optional<QString> startFleet(Phase phase);
    // The target a module of the fleet stands for.
    PreviewedPrinter* printerAt(std::uint32_t address, unsigned interfaceIndex);
    SavePlan plan(const ModuleReading& module);
    void moduleFinished(const ModuleVerdict& verdict);
    void audit(const PreviewedPrinter& printer, const ModuleVerdict& verdict, const QString& text);

    QString operation_;
    ChangesFor changesFor_;
    const FieldRules& rules_;
    WriteGuard guardTemplate_;
    WriteGuard guard_;
    FleetTiming timing_;
    std::vector<PreviewedPrinter> printers_;
    std::vector<ModuleVerdict> verdicts_;
    Phase phase_ = Phase::Idle;
    std::size_t expected_ = 0;
    std::size_t finished_ = 0;
    std::unique_ptr<Progress> progress_;
    std::unique_ptr<FleetSave> fleet_;
    std::unique_ptr<ReadbackRun> readback_;
    std::map<std::pair<std::uint32_t, unsigned>, std::unique_ptr<PlannedWrite>> journals_;
    QStringList auditFailures_;
};

}  // namespace quillmar
