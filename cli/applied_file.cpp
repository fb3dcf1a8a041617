#include "applied_file.h"
#include "record/field_name_text.h"

#include "config/key_file_import.h"
#include "config/key_file_report.h"
#include "history/sealed_file.h"
#include "platform/regular_files.h"
#include "record/field_names.h"
#include "record/ip_dot.h"
#include "record/single_byte_text.h"

namespace quillmar::cli {

namespace {

const QString kOwnFields = QStringLiteral("modelName, macAddress and ipAddress are each module's own and are not "
                                          "copied");

// A key file's effects: the IP mode is the one a save carries; the model name
// and the address are a module's own; everything else is what KeyFileReport
// names, which no save carries.
class KeyFileFields final : public KeyFileReport {
public:
    void setModelName(const QString& text) override { own_ << QStringLiteral("modelName \"%1\"").arg(text); }
    void setModuleAddress(quint32 controlValue) override
    {
        std::string text;
        ip2dot(controlValue, text);
        own_ << QStringLiteral("ipAddress ") + fromSingleByte(text);
    }
    void setIpMode(bool dhcp) override { ipMode_ = dhcp ? QStringLiteral("DHCP") : QStringLiteral("STATIC"); }

    std::optional<QString> ipMode_;
    QStringList own_;
};

bool looksLikeKeyFile(const QByteArray& bytes)
{
    return bytes.startsWith("$S") || bytes.contains("\r\n$S");
}

}  // namespace

AppliedFile changesOfRecord(const DeviceEntry& record)
{
    AppliedFile file;
    file.kind = AppliedFile::Kind::Record;
    const bool wep = record.text(DeviceField::EncryType) == "WEP";
    for (const FieldLayout& layout : deviceFieldLayout()) {
        switch (layout.field) {
        case DeviceField::ModelName:
        case DeviceField::MacAddress:
        case DeviceField::IpAddress:
            continue;
        case DeviceField::Key:
        case DeviceField::WpaPsk:
            // A save sends only the key of its encryption; the other one
            // would be refused as a key that does not arrive.
            if ((layout.field == DeviceField::Key) != wep) {
                file.notApplied << QStringLiteral("%1 is not sent with encryType %2")
                                       .arg(nameOf(layout.field), fromSingleByte(record.text(DeviceField::EncryType)));
                continue;
            }
            break;
        default:
            break;
        }
        file.changes.push_back({layout.field, fromSingleByte(record.text(layout.field))});
    }
    file.notApplied.prepend(kOwnFields);
    return file;
}

std::optional<AppliedFile> readAppliedFile(const QByteArray& path, QString& error, const SealedOpener& opener)
{
    const RegularFileRead read = readRegularFile(path, kImportFileMaxSize);
    switch (read.status) {
    case RegularFileRead::Status::Missing:
        error = QStringLiteral("file isn't exists");
        return std::nullopt;
    case RegularFileRead::Status::NotOpened:
        error = QStringLiteral("open file failed");
        return std::nullopt;
    case RegularFileRead::Status::BadSize:
        error = QStringLiteral("read file failed.");
        return std::nullopt;
    case RegularFileRead::Status::Read:
        break;
    }
    if (looksSealed(read.bytes)) {
        if (!opener) {
            error = QStringLiteral("the file is encrypted");
            return std::nullopt;
        }
        const std::optional<QByteArray> contents = opener(read.bytes, error);
        if (!contents)
            return std::nullopt;
        return appliedFileOf(*contents, error);
    }
    return appliedFileOf(read.bytes, error);
}

std::optional<AppliedFile> appliedFileOf(const QByteArray& bytes, QString& error)
{
    if (bytes.isEmpty() || bytes.size() > kImportFileMaxSize) {
        error = QStringLiteral("read file failed.");
        return std::nullopt;
    }
    if (bytes.size() == qsizetype(kDeviceEntrySize) && (bytes.contains('\0') || !looksLikeKeyFile(bytes)))
        return changesOfRecord(DeviceEntry::fromBytes(bytes.constData(), kDeviceEntrySize));

    KeyFileFields fields;
    const ImportOutcome outcome = applyKeyFileText(bytes, fields);
    if (outcome.status == ImportStatus::ConversionFailed) {
        error = QStringLiteral("importData: ") + outcome.message;
        return std::nullopt;
    }
    AppliedFile file;
    file.kind = AppliedFile::Kind::KeyFile;
    if (fields.ipMode_)
        file.changes.push_back({DeviceField::IpMode, *fields.ipMode_});
    for (const QString& own : fields.own_)
        file.notApplied << own + QStringLiteral(": a module's own, not copied");
    for (const QString& line : fields.lines())
        file.notApplied << line + QStringLiteral(": no field of the record a save sends");
    return file;
}

}  // namespace quillmar::cli
