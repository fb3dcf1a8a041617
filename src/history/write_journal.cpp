#include "history/write_journal.h"

#include <QFile>

#include <cstring>

#include "history/record_backups.h"

namespace quillmar {

namespace {

QString macOf(const DeviceEntry& record)
{
    const char* field = record.fieldData(DeviceField::MacAddress);
    return QString::fromLatin1(field, qsizetype(::strnlen(field, kMacCompareLength)));
}

// A field's text, its bytes read as Latin-1.
QString textOf(const DeviceEntry& record, DeviceField field)
{
    const std::string text = record.text(field);
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

}  // namespace

WriteJournal::WriteJournal(QString operation, QString address)
{
    entry_.operation = std::move(operation);
    entry_.address = std::move(address);
}

void WriteJournal::setRead(const DeviceEntry& read)
{
    read_ = read;
    if (entry_.macAddress.isEmpty())
        entry_.macAddress = macOf(read);
    entry_.deviceName = textOf(read, DeviceField::DeviceName);
}

std::optional<QString> WriteJournal::backUp(const DeviceEntry& read, const FileSealer* sealer)
{
    setRead(read);
    const StoredBackup stored = storeBackup(read, {}, QDateTime::currentDateTimeUtc(), sealer);
    if (!stored.stored())
        return QStringLiteral("the record could not be backed up (%1)").arg(stored.error);
    entry_.backup = QFile::decodeName(stored.path);
    return std::nullopt;
}

std::optional<QString> WriteJournal::finish(const QString& verdict)
{
    if (finished_)
        return std::nullopt;
    finished_ = true;
    entry_.verdict = verdict;
    if (read_ && written_)
        entry_.changes = recordChanges(*read_, *written_);
    else if (written_ && entry_.macAddress.isEmpty())
        entry_.macAddress = macOf(*written_);
    return appendAudit(entry_, logPath_);
}

}  // namespace quillmar
