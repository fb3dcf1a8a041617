#include "write/fleet_verdict.h"

#include <QStringList>

#include "record/field_name_text.h"
#include "write/printable.h"

namespace quillmar {

namespace {

using Outcome = ModuleVerdict::Outcome;
using Readback = ModuleVerdict::Readback;

}  // namespace

QString differencesText(const ModuleVerdict& module)
{
    QStringList parts;
    // What was found is whatever answered at the module's address.
    for (const ChangedField& change : module.differences) {
        parts << QStringLiteral("%1 sent %2, found %3")
                     .arg(nameOf(change.field), printable(change.from), printable(change.to));
    }
    return parts.join(QStringLiteral("; "));
}

QString readbackText(const ModuleVerdict& module)
{
    switch (module.readback) {
    case Readback::NotAsked:
        return {};
    case Readback::Verified:
        return QStringLiteral("verified at %1").arg(module.readbackAddress);
    case Readback::Differs:
        return QStringLiteral("differs at %1: %2").arg(module.readbackAddress, differencesText(module));
    case Readback::NotSeenAgain:
        return QStringLiteral("not seen again");
    case Readback::Stopped:
        return QStringLiteral("stopped by the user before the module answered again");
    case Readback::Conflict:
        return QStringLiteral("conflict: its MAC answered at %1").arg(module.readbackAddress);
    }
    return {};
}

QString verdictWord(const ModuleVerdict& module)
{
    switch (module.outcome) {
    case Outcome::Confirmed:
        switch (module.readback) {
        case Readback::NotAsked:
            return QStringLiteral("confirmed");
        case Readback::Verified:
            return QStringLiteral("verified");
        case Readback::Differs:
            return QStringLiteral("differs");
        case Readback::NotSeenAgain:
            return QStringLiteral("not-seen-again");
        case Readback::Stopped:
            return QStringLiteral("stopped");
        case Readback::Conflict:
            return QStringLiteral("conflict");
        }
        break;
    case Outcome::Unconfirmed:
        return QStringLiteral("unconfirmed");
    case Outcome::Skipped:
        return QStringLiteral("skipped");
    case Outcome::NoAnswer:
        return QStringLiteral("no-answer");
    case Outcome::Interrupted:
        return QStringLiteral("interrupted");
    case Outcome::WouldSave:
        return QStringLiteral("would-save");
    case Outcome::Unchanged:
        return QStringLiteral("unchanged");
    case Outcome::NotFound:
        return QStringLiteral("not-found");
    case Outcome::Failed:
        break;
    }
    return QStringLiteral("failed");
}

QString verdictText(const ModuleVerdict& module)
{
    switch (module.outcome) {
    case Outcome::Confirmed:
        return (module.readback == Readback::NotAsked
                    ? module.message
                    : module.message + QStringLiteral("; read back: ") + readbackText(module))
               + (module.slip.isEmpty() ? QString() : QStringLiteral("; slip ") + module.slip);
    case Outcome::Unconfirmed:
        return QStringLiteral("not confirmed: still answers after the probe");
    case Outcome::Skipped:
        return QStringLiteral("skipped: ") + module.message;
    case Outcome::NoAnswer:
        return QStringLiteral("no answer");
    case Outcome::Interrupted:
        return QStringLiteral("interrupted: ") + module.message;
    case Outcome::WouldSave:
        return QStringLiteral("would save");
    case Outcome::Unchanged:
        return QStringLiteral("unchanged");
    case Outcome::NotFound:
        return QStringLiteral("not found: ") + module.message;
    case Outcome::Failed:
        break;
    }
    return QStringLiteral("failed: ") + module.message;
}

QString auditVerdict(const ModuleVerdict& module)
{
    if (module.outcome != Outcome::Confirmed)
        return verdictText(module);
    const QString slip = module.slip.isEmpty() ? QString() : QStringLiteral("; slip ") + module.slip;
    if (module.readback == Readback::NotAsked)
        return QStringLiteral("confirmed") + slip;
    return QStringLiteral("confirmed; read back: ") + readbackText(module) + slip;
}

}  // namespace quillmar
