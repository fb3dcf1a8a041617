#include "site_check.h"

#include <QStringList>

#include <algorithm>

#include "record/field_name_text.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"
#include "write/write_guard.h"

namespace quillmar::cli {

namespace {

// Whether the printer holds what the cell gives. An address by its value
// (192.0.2.020 is 192.0.2.20), any other field byte for byte.
bool holds(const DeviceEntry& record, const FieldChange& cell)
{
    const std::string stored = record.text(cell.field);
    if (cell.field == DeviceField::IpAddress) {
        const std::optional<std::uint32_t> wanted = parseIpv4(toSingleByte(cell.value));
        return wanted && parseIpv4(stored) == wanted;
    }
    return stored == toSingleByte(cell.value);
}

}  // namespace

std::vector<RowCheck> checkSite(const std::vector<MapRow>& rows, const std::vector<CensusModule>& found)
{
    std::vector<RowCheck> checks;
    for (const MapRow& row : rows) {
        RowCheck check;
        check.line = row.line;
        check.mac = row.mac;
        const CensusModule* module = nullptr;
        for (const CensusModule& heard : found) {
            if (macKey(heard.record.text(DeviceField::MacAddress)) != row.mac.toStdString())
                continue;
            if (std::find(check.addresses.begin(), check.addresses.end(), heard.from) == check.addresses.end())
                check.addresses.push_back(heard.from);
            module = module ? module : &heard;
        }
        if (!module) {
            checks.push_back(check);
            continue;
        }
        if (check.addresses.size() > 1) {
            std::sort(check.addresses.begin(), check.addresses.end());
            check.verdict = RowCheck::Verdict::Conflict;
            checks.push_back(check);
            continue;
        }
        const DeviceEntry stored = module->storedRecord();
        for (const FieldChange& cell : row.changes) {
            if (holds(stored, cell))
                continue;
            const std::string wanted = cell.field == DeviceField::IpAddress
                                           ? formatIpv4(parseIpv4(toSingleByte(cell.value)).value_or(0))
                                           : toSingleByte(cell.value);
            check.drift.push_back({cell.field, shownText(cell.field, wanted, false),
                                   shownText(cell.field, stored.text(cell.field), false)});
        }
        for (const auto& [field, mask] : row.keyMasks) {
            const QString printer = maskedKey(stored.text(field));
            if (printer != mask)
                check.drift.push_back({field, mask, printer});
        }
        std::sort(check.drift.begin(), check.drift.end(),
                  [](const ChangedField& a, const ChangedField& b) { return a.field < b.field; });
        check.verdict = check.drift.empty() ? RowCheck::Verdict::Matches : RowCheck::Verdict::Drifted;
        checks.push_back(check);
    }
    return checks;
}

QString verdictName(RowCheck::Verdict verdict)
{
    switch (verdict) {
    case RowCheck::Verdict::Matches:
        return QStringLiteral("matches");
    case RowCheck::Verdict::Drifted:
        return QStringLiteral("drifted");
    case RowCheck::Verdict::NotFound:
        return QStringLiteral("not found");
    case RowCheck::Verdict::Conflict:
        return QStringLiteral("conflict");
    }
    return {};
}

QString driftText(const std::vector<ChangedField>& drift)
{
    QStringList parts;
    for (const ChangedField& field : drift)
        parts << QStringLiteral("%1: %2 -> %3").arg(nameOf(field.field), field.from, field.to);
    return parts.join(QStringLiteral(", "));
}

}  // namespace quillmar::cli
