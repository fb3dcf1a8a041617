#include "history/record_backups.h"

#include "history/state_directory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "history/sealed_file.h"
#include "platform/regular_files.h"

namespace quillmar {

namespace {

constexpr char kTimeFormat[] = "yyyyMMdd'T'HHmmss.zzz'Z'";
constexpr int kMostSameTimeBackups = 100;

std::optional<QDateTime> timeOfFileName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{8}T\\d{6}\\.\\d{3}Z)(-\\d+)?\\.(bin|enc)$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    QDateTime time = QDateTime::fromString(match.captured(1), QLatin1String(kTimeFormat));
    if (!time.isValid())
        return std::nullopt;
    time.setTimeSpec(Qt::UTC);
    return time;
}

}  // namespace

std::optional<QByteArray> backupRoot(QString& error)
{
    const std::optional<QByteArray> state = stateDirectory(error);
    if (!state)
        return std::nullopt;
    return *state + "/backups";
}

QString backupFolderName(std::string_view mac)
{
    const std::string_view text = mac.substr(0, std::min(mac.size(), kMacCompareLength));
    QString digits;
    bool onlyDigitsAndSeparators = true;
    for (const char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += QChar::fromLatin1(c).toUpper();
        else if (c != '-' && c != ':' && c != '.')
            onlyDigitsAndSeparators = false;
    }
    if (onlyDigitsAndSeparators && digits.size() == 12) {
        QString name;
        for (int i = 0; i < 12; i += 2)
            name += (i ? QStringLiteral("-") : QString()) + digits.mid(i, 2);
        return name;
    }
    if (text.empty())
        return QStringLiteral("mac-none");
    return QStringLiteral("mac-") + QString::fromLatin1(QByteArray(text.data(), qsizetype(text.size())).toHex());
}

QString backupFileName(const QDateTime& utc, bool sealed)
{
    return utc.toUTC().toString(QLatin1String(kTimeFormat))
           + (sealed ? QStringLiteral(".enc") : QStringLiteral(".bin"));
}

StoredBackup storeBackup(const DeviceEntry& record, const QByteArray& root, const QDateTime& utc,
                         const FileSealer* sealer)
{
    StoredBackup backup;
    QByteArray directory = root;
    if (directory.isEmpty()) {
        const std::optional<QByteArray> found = backupRoot(backup.error);
        if (!found)
            return backup;
        directory = *found;
    }
    const std::string mac(record.fieldData(DeviceField::MacAddress),
                          ::strnlen(record.fieldData(DeviceField::MacAddress), kMacCompareLength));
    directory += '/' + QFile::encodeName(backupFolderName(mac));
    if (!makePrivateDirectories(directory, backup.error))
        return backup;

    const QByteArray plain(record.data(), qsizetype(record.size()));
    const QByteArray bytes = sealer ? sealer->seal(plain) : plain;
    const QString name = backupFileName(utc, sealer != nullptr);
    for (int attempt = 1; attempt <= kMostSameTimeBackups; ++attempt) {
        QString numbered = name;
        if (attempt > 1)
            numbered.insert(name.size() - 4, u'-' + QString::number(attempt));
        const QByteArray path = directory + '/' + QFile::encodeName(numbered);
        switch (writePrivateFile(path, bytes, false)) {
        case PrivateWrite::Written:
            backup.path = path;
            return backup;
        case PrivateWrite::Exists:
        case PrivateWrite::NotRegular:
            continue;
        case PrivateWrite::CreateFailed:
            backup.error = QStringLiteral("cannot create a file in %1").arg(QFile::decodeName(directory));
            return backup;
        case PrivateWrite::WriteFailed:
            backup.error = QStringLiteral("writing %1 failed").arg(QFile::decodeName(path));
            return backup;
        }
    }
    backup.error = QStringLiteral("%1 backups in %2 have the time %3 already")
                       .arg(kMostSameTimeBackups)
                       .arg(QFile::decodeName(directory), name);
    return backup;
}

std::vector<BackupFile> listBackups(const QByteArray& root, const std::optional<QString>& folder)
{
    std::vector<BackupFile> found;
    const QDir top(QFile::decodeName(root));
    const QStringList folders = folder ? QStringList{*folder}
                                       : top.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : folders) {
        const QDir dir(top.filePath(name));
        for (const QString& file : dir.entryList(QDir::Files, QDir::Name)) {
            const std::optional<QDateTime> time = timeOfFileName(file);
            if (!time)
                continue;
            const QByteArray path = QFile::encodeName(dir.filePath(file));
            if (file.endsWith(QLatin1String(".enc"))) {
                const RegularFileRead read = readRegularFile(path, kSealedRecordFileSize);
                if (read.status == RegularFileRead::Status::Read && looksSealed(read.bytes))
                    found.push_back({name, *time, path, true, DeviceEntry{}});
                continue;
            }
            const RegularFileRead read = readRegularFile(path, qint64(kDeviceEntrySize));
            if (read.status != RegularFileRead::Status::Read || read.bytes.size() != qsizetype(kDeviceEntrySize))
                continue;
            found.push_back(
                {name, *time, path, false, DeviceEntry::fromBytes(read.bytes.constData(), kDeviceEntrySize)});
        }
    }
    std::sort(found.begin(), found.end(), [](const BackupFile& a, const BackupFile& b) {
        if (a.folder != b.folder)
            return a.folder < b.folder;
        if (a.time != b.time)
            return a.time < b.time;
        // The same time: the plain name first, then -2, -3, ... -10 in order.
        return a.path.size() != b.path.size() ? a.path.size() < b.path.size() : a.path < b.path;
    });
    return found;
}

}  // namespace quillmar
