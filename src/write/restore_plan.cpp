#include "write/restore_plan.h"

#include "config/save_records.h"
#include "record/ipv4_text.h"
#include "record/model_table.h"
#include "record/record_check.h"
#include "record/single_byte_text.h"
#include "write/printable.h"

namespace quillmar {

namespace {

// The printer family a model belongs to; a model of neither family is one of
// its own.
std::string familyOf(const std::string& model)
{
    for (const int family : {1, 2}) {
        if (isManagedModel(family, model))
            return std::to_string(family);
    }
    return "model " + model;
}

bool isWep(const std::string& encryType)
{
    return QString::fromLatin1(encryType.c_str()).compare(QLatin1String("WEP"), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::optional<QString> backupProblem(const DeviceEntry& backup, const QString& name)
{
    // A damaged file would put its damage into the printer.
    if (const std::optional<std::string> problem = recordParseProblem(backup)) {
        return QStringLiteral("%1 is not a settings record: %2; nothing is sent")
            .arg(name, QString::fromStdString(*problem));
    }
    const std::string address = backup.text(DeviceField::IpAddress);
    const std::optional<std::uint32_t> value = parseIpv4(address);
    // The printer would take it and never be found again.
    if (!value || !isReachableModuleAddress(*value)) {
        return QStringLiteral("%1 gives the module the address \"%2\", at which it could not be reached; "
                              "nothing is sent")
            .arg(name, printable(address));
    }
    return std::nullopt;
}

std::optional<RestoreWrite> restoreWrite(const DeviceEntry& backup, const QString& name, const DeviceEntry& current,
                                         const QString& where, QString& refusal)
{
    const std::string mine = current.text(DeviceField::MacAddress);
    const std::string theirs = backup.text(DeviceField::MacAddress);
    if (!macTextsEqual(mine, theirs)) {
        refusal = QStringLiteral("%1 is a record of the module with MAC %2, and the module at %3 has MAC %4 "
                                 "(config apply copies settings to another module)")
                      .arg(name, printable(theirs.substr(0, kMacCompareLength)), where,
                           printable(mine.substr(0, kMacCompareLength)));
        return std::nullopt;
    }
    const std::string ours = current.text(DeviceField::ModelName);
    const std::string saved = backup.text(DeviceField::ModelName);
    if (familyOf(saved) != familyOf(ours)) {
        refusal = QStringLiteral("%1 is a record of a %2, and the module at %3 is a %4 of another family")
                      .arg(name, printable(saved), where, printable(ours));
        return std::nullopt;
    }
    // Of the two keys, the one the backup's encryption sends: the other is one
    // the printer never uses.
    const DeviceField unused = isWep(backup.text(DeviceField::EncryType)) ? DeviceField::WpaPsk : DeviceField::Key;
    RestoreWrite write;
    write.chosenMac = theirs;
    for (const FieldLayout& layout : deviceFieldLayout()) {
        const DeviceField field = layout.field;
        if (field == DeviceField::ModelName || field == DeviceField::MacAddress || field == unused
            || backup.text(field) == current.text(field))
            continue;
        write.changes.push_back({field, fromSingleByte(backup.text(field))});
    }
    return write;
}

}  // namespace quillmar
