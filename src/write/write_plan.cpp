#include "write/write_plan.h"

#include <QStringList>

#include "record/field_name_text.h"
#include "record/ipv4_text.h"
#include "record/record_check.h"
#include "record/single_byte_text.h"
#include "write/printable.h"
#include "write/radio_rules.h"

namespace quillmar {

namespace {

QString macShown(const DeviceEntry& record)
{
    return printable(record.text(DeviceField::MacAddress).substr(0, kMacCompareLength));
}

bool isWep(const std::string& encryType)
{
    return QString::fromLatin1(encryType.c_str()).compare(QLatin1String("WEP"), Qt::CaseInsensitive) == 0;
}

// The set fields on the record as read. A key goes only with the encryption
// that sends it, as the windows' saves send it: a key box changed under the
// other encryption is written blank (the command line refuses such a key
// first). A key the user did not touch goes back as the printer holds it.
DeviceEntry withChanges(const DeviceEntry& read, const std::vector<FieldChange>& changes)
{
    DeviceEntry record = read;
    for (const FieldChange& change : changes) {
        if (change.field == DeviceField::IpAddress) {
            if (const std::optional<std::uint32_t> address = parseIpv4(toSingleByte(change.value)))
                record.setText(change.field, formatIpv4(*address));
            continue;
        }
        record.setText(change.field, toSingleByte(change.value));
    }
    const DeviceField unsent = isWep(record.text(DeviceField::EncryType)) ? DeviceField::WpaPsk : DeviceField::Key;
    if (changeOf(changes, unsent))
        record.setText(unsent, {});
    return record;
}

// A text longer than its field would be cut by the record: refused instead,
// naming the field.
std::optional<QString> unfitText(const std::vector<FieldChange>& changes)
{
    for (const FieldChange& change : changes) {
        const qsizetype width = qsizetype(layoutOf(change.field).width);
        if (change.field != DeviceField::IpAddress && change.value.size() > width) {
            return QStringLiteral("%1: %2 characters, at most %3 fit")
                .arg(nameOf(change.field))
                .arg(change.value.size())
                .arg(width);
        }
    }
    return std::nullopt;
}

WritePlan refuse(WritePlan plan, WritePlan::Step step, const QString& why)
{
    plan.step = step;
    plan.refusal = why;
    return plan;
}

}  // namespace

std::optional<QString> checkFieldChanges(const FieldRules& rules, std::vector<FieldChange>& changes)
{
    if (std::optional<QString> broken = rules.checkValues(changes))
        return broken;
    return unfitText(changes);
}

std::vector<ChangedField> WritePlan::changes(bool showSecrets) const
{
    if (refused() || !read)
        return {};
    return recordChanges(*read, record, showSecrets);
}

WritePlan planWrite(const WriteRequest& request, const QByteArray& answer)
{
    WritePlan plan;
    plan.mac = request.chosenMac;
    const QString place = (request.onCable ? QStringLiteral("on ") : QStringLiteral("at ")) + request.where;

    if (answer.size() < qsizetype(kDeviceEntrySize)) {
        return refuse(plan, WritePlan::Step::NotARecord,
                      QStringLiteral("the answer %1 is not a settings record (%2 bytes instead of %3)")
                          .arg(place)
                          .arg(answer.size())
                          .arg(kDeviceEntrySize));
    }
    const DeviceEntry read = DeviceEntry::fromBytes(answer.constData(), kDeviceEntrySize);
    if (const std::optional<std::string> problem = recordParseProblem(read)) {
        return refuse(plan, WritePlan::Step::NotARecord,
                      QStringLiteral("the answer %1 is not a settings record: %2")
                          .arg(place, QString::fromLatin1(problem->c_str())));
    }
    plan.read = read;

    const std::string readMac = read.text(DeviceField::MacAddress).substr(0, kMacCompareLength);
    if (!request.chosenMac.empty() && macKey(readMac) != macKey(request.chosenMac)) {
        return refuse(plan, WritePlan::Step::AnotherPrinter,
                      QStringLiteral("another printer (MAC %1) answers %2").arg(macShown(read), place));
    }
    plan.mac = readMac;
    if (request.guard && request.answeredAt) {
        std::vector<std::uint32_t> others = request.guard->claimedElsewhere(readMac, *request.answeredAt);
        if (!others.empty()) {
            others.push_back(*request.answeredAt);
            return refuse(plan, WritePlan::Step::Conflict,
                          QStringLiteral("MAC %1 answers from %2: only one of them is that printer")
                              .arg(macShown(read), addressList(others)));
        }
        if (std::optional<QString> stranger = request.guard->checkSender(readMac, *request.answeredAt))
            return refuse(plan, WritePlan::Step::NotItsSender, *stranger);
    }

    std::vector<FieldChange> changes = request.changes;
    std::optional<QString> broken = checkFieldChanges(*request.rules, changes);
    if (!broken)
        broken = request.rules->checkAfter(changes, read);
    if (broken)
        return refuse(plan, WritePlan::Step::Rule, *broken);
    plan.record = withChanges(read, changes);
    if (const std::optional<QString> radio = radioRuleProblem(changes, plan.record))
        return refuse(plan, WritePlan::Step::Rule, *radio);

    if (const FieldChange* address = changeOf(changes, DeviceField::IpAddress)) {
        WriteGuard fallback;
        WriteGuard& guard = request.guard ? *request.guard : fallback;
        const std::optional<std::uint32_t> to = parseIpv4(toSingleByte(address->value));
        const std::optional<std::uint32_t> kept = request.answeredAt ? request.answeredAt
                                                                     : parseIpv4(read.text(DeviceField::IpAddress));
        if (to) {
            if (const std::optional<GuardRefusal> refused = guard.check(readMac, kept, *to)) {
                return refuse(plan, refused->inUse ? WritePlan::Step::AddressInUse : WritePlan::Step::Guard,
                              refused->reason);
            }
        }
    }
    return plan;
}

PlannedWrite::PlannedWrite(const QString& operation, const QString& where, WritePlan plan)
    : plan_(std::move(plan)), journal_(operation, where)
{
    if (!plan_.mac.empty())
        journal_.setMacAddress(QString::fromLatin1(plan_.mac.c_str()));
    if (plan_.read)
        journal_.setRead(*plan_.read);
    if (!plan_.refused() && plan_.read)
        journal_.setWritten(plan_.record);
}

std::optional<QString> PlannedWrite::backUp(bool skip, const FileSealer* sealer)
{
    if (skip || !plan_.read)
        return std::nullopt;
    return journal_.backUp(*plan_.read, sealer);
}

std::optional<QString> PlannedWrite::finish(const QString& verdict)
{
    return journal_.finish(verdict);
}

}  // namespace quillmar
