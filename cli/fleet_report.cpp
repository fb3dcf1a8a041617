#include "fleet_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

#include "exit_status.h"
#include "record/field_name_text.h"
#include "record/field_names.h"
#include "record/single_byte_text.h"
#include "terminal_text.h"
#include "text_table.h"

namespace quillmar::cli {

namespace {

using Outcome = ModuleVerdict::Outcome;
using Readback = ModuleVerdict::Readback;

QString macOf(const ModuleVerdict& module)
{
    return module.read ? terminalText(module.read->text(DeviceField::MacAddress).substr(0, kMacCompareLength))
                       : module.mac;
}

QJsonObject changesJson(const std::vector<ChangedField>& changes)
{
    QJsonObject object;
    for (const ChangedField& change : changes) {
        object.insert(nameOf(change.field),
                      QJsonObject{{QStringLiteral("from"), change.from}, {QStringLiteral("to"), change.to}});
    }
    return object;
}

std::vector<ChangedField> plannedChanges(const ModuleVerdict& module, bool showSecrets)
{
    if (!module.read || !module.sent)
        return {};
    return recordChanges(*module.read, *module.sent, showSecrets);
}

int printDryRun(const std::vector<ModuleVerdict>& verdicts, const FleetReportStyle& style, VerbContext& context)
{
    if (style.json) {
        QJsonArray rows;
        for (const ModuleVerdict& module : verdicts) {
            rows.append(QJsonObject{
                {QStringLiteral("address"), module.addressText},
                {QStringLiteral("macAddress"), macOf(module)},
                {QStringLiteral("changes"), changesJson(plannedChanges(module, style.showSecrets))},
                {QStringLiteral("wifiCheck"), module.wifiCheck},
                {QStringLiteral("verdict"),
                 module.outcome == Outcome::WouldSave ? QStringLiteral("would save") : verdictText(module)},
            });
        }
        context.out << QString::fromUtf8(QJsonDocument(rows).toJson());
    } else {
        for (const ModuleVerdict& module : verdicts) {
            const QString mac = macOf(module);
            context.out << module.addressText << (mac.isEmpty() ? QString() : u' ' + mac) << ": "
                        << (module.outcome == Outcome::WouldSave ? QStringLiteral("would save") : verdictText(module))
                        << '\n';
            const std::vector<ChangedField> changes = plannedChanges(module, style.showSecrets);
            if (module.outcome == Outcome::WouldSave && changes.empty())
                context.out << "  (no field changes)\n";
            for (const ChangedField& change : changes) {
                context.out << "  " << nameOf(change.field) << ": " << terminalText(change.from.toLatin1()) << " -> "
                            << terminalText(change.to.toLatin1()) << '\n';
            }
            if (!module.wifiCheck.isEmpty())
                context.out << "  Wi-Fi: " << module.wifiCheck << '\n';
        }
    }
    context.out.flush();
    return fleetExitStatus(verdicts);
}

}  // namespace

int fleetExitStatus(const std::vector<ModuleVerdict>& verdicts)
{
    const auto any = [&verdicts](auto test) { return std::any_of(verdicts.begin(), verdicts.end(), test); };
    const auto succeeded = [](const ModuleVerdict& v) {
        return v.outcome == Outcome::WouldSave || v.outcome == Outcome::Unchanged
               || (v.outcome == Outcome::Confirmed
                   && (v.readback == Readback::NotAsked || v.readback == Readback::Verified));
    };
    if (any([](const ModuleVerdict& v) {
            return v.outcome == Outcome::Interrupted || v.readback == Readback::Stopped;
        }))
        return kInterrupted;
    if (!verdicts.empty() && !any([&](const ModuleVerdict& v) { return !succeeded(v); }))
        return kSuccess;
    if (any([](const ModuleVerdict& v) {
            return v.saveSent || v.outcome == Outcome::Failed || v.outcome == Outcome::NotFound;
        }))
        return kRefused;
    if (any([](const ModuleVerdict& v) { return v.outcome == Outcome::Skipped; }))
        return kUsageError;
    return kNoAnswer;
}

int reportFleet(const std::vector<ModuleVerdict>& verdicts, const FleetReportStyle& style, const QString& messagePrefix,
                VerbContext& context)
{
    if (style.dryRun)
        return printDryRun(verdicts, style, context);
    const int status = fleetExitStatus(verdicts);
    if (style.oneAtATime && !verdicts.empty()) {
        const ModuleVerdict& module = verdicts.front();
        if (module.readback != Readback::NotAsked) {
            context.out << QStringLiteral("Read back: %1\n").arg(readbackText(module));
            context.out.flush();
        }
        if (!module.slip.isEmpty()) {
            context.out << QStringLiteral("Test slip %1\n").arg(module.slip);
            context.out.flush();
        }
        if (status != kSuccess) {
            const QString why = module.outcome == Outcome::Confirmed ? readbackText(module) : module.message;
            context.err << messagePrefix << why << '\n';
            context.err.flush();
        }
        return status;
    }
    if (style.json) {
        QJsonArray rows;
        for (const ModuleVerdict& module : verdicts) {
            const auto field = [&module](DeviceField f) {
                return module.read ? fromSingleByte(module.read->text(f)) : QString();
            };
            QJsonObject row{
                {QStringLiteral("address"), module.addressText},
                {QStringLiteral("macAddress"), field(DeviceField::MacAddress)},
                {QStringLiteral("deviceName"), field(DeviceField::DeviceName)},
                {QStringLiteral("verdict"), verdictWord(module)},
                {QStringLiteral("message"), module.message},
                {QStringLiteral("backup"),
                 module.backupPath.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(module.backupPath)},
            };
            if (!module.slip.isEmpty())
                row.insert(QStringLiteral("slip"), module.slip);
            if (module.readback != Readback::NotAsked) {
                row.insert(QStringLiteral("readBack"), readbackText(module));
                row.insert(QStringLiteral("differences"), changesJson(module.differences));
            }
            rows.append(row);
        }
        context.out << QString::fromUtf8(QJsonDocument(rows).toJson());
        context.out.flush();
        return status;
    }
    if (verdicts.empty())
        return status;
    std::vector<QStringList> rows{
        {QStringLiteral("Address"), QStringLiteral("MAC"), QStringLiteral("Device name"), QStringLiteral("Verdict")}};
    for (const ModuleVerdict& module : verdicts) {
        rows.push_back({module.addressText, macOf(module),
                        module.read ? terminalText(module.read->text(DeviceField::DeviceName)) : QString(),
                        verdictText(module)});
    }
    printAligned(context.out, rows);
    const auto confirmed = std::count_if(verdicts.begin(), verdicts.end(),
                                         [](const ModuleVerdict& v) { return v.outcome == Outcome::Confirmed; });
    context.out << QStringLiteral("%1 of %2 saves confirmed\n").arg(confirmed).arg(verdicts.size());
    context.out.flush();
    return status;
}

}  // namespace quillmar::cli
