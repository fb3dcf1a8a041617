#include "write/previewed_save.h"

#include <QMetaObject>

#include <algorithm>

#include "record/ipv4_text.h"
#include "write/fleet_verdict.h"

namespace quillmar {

namespace {

using Outcome = ModuleVerdict::Outcome;

bool sameChanges(const std::vector<ChangedField>& a, const std::vector<ChangedField>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ChangedField& x, const ChangedField& y) {
        return x.field == y.field && x.from == y.from && x.to == y.to;
    });
}

// The audit words of a printer the user went on without.
QString leftAloneVerdict(const ModuleVerdict& preview)
{
    switch (preview.outcome) {
    case Outcome::NoAnswer:
        return QStringLiteral("no answer");
    case Outcome::Failed:
        return QStringLiteral("failed: ") + preview.message;
    default:
        return QStringLiteral("refused: ") + preview.message;
    }
}

}  // namespace

class PreviewedSave::Progress final : public FleetSaveObserver {
public:
    explicit Progress(PreviewedSave& owner) : owner_(owner) {}
    void finished(const ModuleVerdict& verdict) override { owner_.moduleFinished(verdict); }

private:
    PreviewedSave& owner_;
};

PreviewedSave::PreviewedSave(QString operation, std::vector<PreviewTarget> targets, ChangesFor changesFor,
                             const FieldRules& rules, WriteGuard guard, FleetTiming timing, QObject* parent)
    : QObject(parent), operation_(std::move(operation)), changesFor_(std::move(changesFor)), rules_(rules),
      guardTemplate_(std::move(guard)), timing_(timing), progress_(std::make_unique<Progress>(*this))
{
    for (PreviewTarget& target : targets) {
        PreviewedPrinter printer;
        printer.addressText = QString::fromStdString(formatIpv4(target.address));
        printer.target = std::move(target);
        printer.preview.address = printer.target.address;
        printer.preview.addressText = printer.addressText;
        printer.preview.interfaceIndex = printer.target.interfaceIndex;
        printer.preview.mac = QString::fromLatin1(printer.target.chosenMac.c_str());
        printers_.push_back(std::move(printer));
    }
}

PreviewedSave::~PreviewedSave()
{
    stop();
    fleet_.reset();
}

bool PreviewedSave::anyWillSave() const
{
    return std::any_of(printers_.begin(), printers_.end(), [](const PreviewedPrinter& p) { return p.willSave(); });
}

bool PreviewedSave::isRunning() const
{
    return phase_ != Phase::Idle;
}

PreviewedPrinter* PreviewedSave::printerAt(std::uint32_t address, unsigned interfaceIndex)
{
    for (PreviewedPrinter& printer : printers_) {
        if (printer.target.address == address && printer.target.interfaceIndex == interfaceIndex)
            return &printer;
    }
    return nullptr;
}

std::optional<QString> PreviewedSave::startFleet(Phase phase)
{
    phase_ = phase;
    // Each step judges new addresses afresh: the preview's own plans are not
    // other printers' claims.
    guard_ = guardTemplate_;
    fleet_ = std::make_unique<FleetSave>([this](const ModuleReading& module) { return plan(module); }, timing_,
                                         progress_.get());
    if (std::optional<QString> refused = fleet_->open()) {
        phase_ = Phase::Idle;
        fleet_.reset();
        return refused;
    }
    std::vector<PreviewedPrinter*> going;
    for (PreviewedPrinter& printer : printers_) {
        if (phase == Phase::Saving && !printer.willSave())
            continue;
        // One address and interface is one module to the fleet: a second
        // printer chosen there could not be told from the first.
        if (std::find_if(going.begin(), going.end(),
                         [&printer](const PreviewedPrinter* other) {
                             return other->target.address == printer.target.address
                                    && other->target.interfaceIndex == printer.target.interfaceIndex;
                         })
            != going.end()) {
            printer.preview.outcome = Outcome::Skipped;
            printer.preview.message =
                QStringLiteral("another chosen printer answers at %1 too").arg(printer.addressText);
            continue;
        }
        going.push_back(&printer);
    }
    expected_ = going.size();
    finished_ = 0;
    if (going.empty()) {
        phase_ = Phase::Idle;
        QMetaObject::invokeMethod(
            this, [this, phase] { emit(phase == Phase::Saving ? saved() : previewed()); }, Qt::QueuedConnection);
        return std::nullopt;
    }
    for (const PreviewedPrinter* printer : going)
        fleet_->add(printer->target.address, printer->target.interfaceIndex);
    fleet_->noMoreModules();
    return std::nullopt;
}

std::optional<QString> PreviewedSave::preview()
{
    return startFleet(Phase::Previewing);
}

std::optional<QString> PreviewedSave::save()
{
    verdicts_.clear();
    for (const PreviewedPrinter& printer : printers_) {
        verdicts_.push_back(printer.preview);
        if (!printer.willSave())
            audit(printer, printer.preview, leftAloneVerdict(printer.preview));
    }
    return startFleet(Phase::Saving);
}

SavePlan PreviewedSave::plan(const ModuleReading& module)
{
    PreviewedPrinter* printer = printerAt(module.address, module.interfaceIndex);
    if (!printer)
        return SavePlan::leave(Outcome::Skipped, QStringLiteral("not a printer of this save"));
    QString refusal;
    const std::optional<std::vector<FieldChange>> changes = changesFor_(module, refusal);
    if (!changes)
        return SavePlan::leave(Outcome::Skipped, refusal);

    WriteRequest request;
    request.chosenMac = printer->target.chosenMac;
    request.where = module.addressText;
    request.answeredAt = module.address;
    request.changes = *changes;
    request.rules = &rules_;
    request.guard = &guard_;
    const QByteArray answer(module.record.data(), std::min(module.answerLength, int(kDeviceEntrySize)));
    const WritePlan plan = planWrite(request, answer);
    if (plan.refused()) {
        return SavePlan::leave(plan.step == WritePlan::Step::NotARecord ? Outcome::Failed : Outcome::Skipped,
                               plan.refusal);
    }
    if (phase_ == Phase::Previewing) {
        printer->changes = plan.changes();
        return SavePlan::preview(plan.record);
    }
    // What the user agreed to is what goes: a printer changed meanwhile (by
    // someone else, a restart) is shown again first.
    if (!sameChanges(plan.changes(), printer->changes)) {
        return SavePlan::leave(Outcome::Skipped,
                               QStringLiteral("the printer's settings changed since the changes were shown"));
    }
    auto journal = std::make_unique<PlannedWrite>(operation_, module.addressText, plan);
    if (const std::optional<QString> failed = journal->backUp()) {
        journals_[{module.address, module.interfaceIndex}] = std::move(journal);
        return SavePlan::leave(Outcome::Failed, *failed);
    }
    const QString backup = journal->backupPath();
    journals_[{module.address, module.interfaceIndex}] = std::move(journal);
    return SavePlan::save(plan.record, backup);
}

void PreviewedSave::moduleFinished(const ModuleVerdict& verdict)
{
    PreviewedPrinter* printer = printerAt(verdict.address, verdict.interfaceIndex);
    if (!printer)
        return;
    if (phase_ == Phase::Previewing) {
        printer->preview = verdict;
        if (printer->preview.mac.isEmpty())
            printer->preview.mac = QString::fromLatin1(printer->target.chosenMac.c_str());
    } else if (phase_ == Phase::Saving) {
        const auto index = std::size_t(printer - printers_.data());
        verdicts_[index] = verdict;
        if (verdicts_[index].mac.isEmpty())
            verdicts_[index].mac = QString::fromLatin1(printer->target.chosenMac.c_str());
        audit(*printer, verdict, auditVerdict(verdict));
        QMetaObject::invokeMethod(
            this, [this, verdict] { emit moduleSaved(verdict); }, Qt::QueuedConnection);
    } else {
        return;
    }
    if (++finished_ < expected_)
        return;
    const Phase ended = phase_;
    phase_ = Phase::Idle;
    // Told once the fleet is out of its own call: the window may end this object then.
    QMetaObject::invokeMethod(
        this, [this, ended] { emit(ended == Phase::Saving ? saved() : previewed()); }, Qt::QueuedConnection);
}

void PreviewedSave::audit(const PreviewedPrinter& printer, const ModuleVerdict& verdict, const QString& text)
{
    std::unique_ptr<PlannedWrite>& journal = journals_[{printer.target.address, printer.target.interfaceIndex}];
    if (!journal) {
        WritePlan unplanned;
        unplanned.mac = verdict.read ? verdict.read->text(DeviceField::MacAddress).substr(0, kMacCompareLength)
                                     : printer.target.chosenMac;
        journal = std::make_unique<PlannedWrite>(operation_, printer.addressText, unplanned);
    }
    if (const std::optional<QString> failed = journal->finish(text))
        auditFailures_ << *failed;
}

void PreviewedSave::readBack(const ReadbackTiming& timing)
{
    phase_ = Phase::ReadingBack;
    readback_ = std::make_unique<ReadbackRun>(verdicts_, timing);
    connect(
        readback_.get(), &ReadbackRun::finished, this,
        [this] {
            verdicts_ = readback_->verdicts();
            phase_ = Phase::Idle;
            emit readBackDone();
        },
        Qt::QueuedConnection);
    readback_->start();
}

void PreviewedSave::stop()
{
    if ((phase_ == Phase::Previewing || phase_ == Phase::Saving) && fleet_)
        fleet_->stop();
    if (phase_ == Phase::ReadingBack && readback_)
        readback_->stop();
}

}  // namespace quillmar
