#include "write/change_text.h"

#include "write/printable.h"

namespace quillmar {

QString fieldCaption(DeviceField field)
{
    return QString::fromLatin1(layoutOf(field).columnCaption);
}

QStringList changeLines(const std::vector<ChangedField>& changes)
{
    QStringList lines;
    for (const ChangedField& change : changes) {
        const QString from = change.from.isEmpty() ? QStringLiteral("(empty)") : printable(change.from);
        const QString to = change.to.isEmpty() ? QStringLiteral("(empty)") : printable(change.to);
        lines << QStringLiteral("%1: %2 -> %3").arg(fieldCaption(change.field), from, to);
    }
    return lines;
}

QString printerText(const QString& name, const QString& mac, const QString& address)
{
    QString text = printable(name);
    if (!mac.isEmpty())
        text += text.isEmpty() ? printable(mac) : QStringLiteral(" (%1)").arg(printable(mac));
    if (!address.isEmpty())
        text += text.isEmpty() ? address : QStringLiteral(" at ") + address;
    return text;
}

QString windowVerdict(const ModuleVerdict& module)
{
    using Outcome = ModuleVerdict::Outcome;
    switch (module.outcome) {
    case Outcome::Confirmed:
        return QStringLiteral("confirmed");
    case Outcome::Unconfirmed:
        return QStringLiteral("not confirmed");
    case Outcome::NoAnswer:
    case Outcome::NotFound:
        return QStringLiteral("no answer");
    case Outcome::Skipped:
        return QStringLiteral("refused");
    case Outcome::Interrupted:
        return QStringLiteral("stopped");
    case Outcome::Unchanged:
        return QStringLiteral("unchanged");
    case Outcome::WouldSave:
        return QStringLiteral("would save");
    case Outcome::Failed:
        break;
    }
    return QStringLiteral("failed");
}

QString readbackLine(const ModuleVerdict& module)
{
    using Readback = ModuleVerdict::Readback;
    switch (module.readback) {
    case Readback::NotAsked:
        return {};
    case Readback::Verified:
        return QStringLiteral("verified at %1").arg(module.readbackAddress);
    case Readback::Differs: {
        QStringList parts;
        for (const ChangedField& change : module.differences) {
            parts << QStringLiteral("%1 sent %2, found %3")
                         .arg(fieldCaption(change.field), printable(change.from), printable(change.to));
        }
        return QStringLiteral("differs at %1: %2").arg(module.readbackAddress, parts.join(QStringLiteral("; ")));
    }
    case Readback::NotSeenAgain:
        return QStringLiteral("not seen again");
    case Readback::Stopped:
        return QStringLiteral("stopped before the printer answered again");
    case Readback::Conflict:
        return QStringLiteral("conflict: its MAC answered at %1").arg(module.readbackAddress);
    }
    return {};
}

}  // namespace quillmar
