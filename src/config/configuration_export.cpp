#include "config/configuration_export.h"

#include <QFileInfo>
#include <QSaveFile>

#include "config/save_records.h"

namespace quillmar {

FileWriteResult writeFileReplacing(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileWriteResult::CreateFailed;
    // The bytes may sit in a buffer until the flush, and a short write there (a
    // full disk, a size limit) is not always reported by the commit: check it
    // here, before the temporary file can replace the target.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != bytes.size()) {
        file.cancelWriting();
        return FileWriteResult::WriteFailed;
    }
    if (!file.commit())
        return FileWriteResult::WriteFailed;
    return FileWriteResult::Written;
}

int exportData(const QString& path, const ConfigBlock& block, ExportPrompts& prompts)
{
    if (QFileInfo::exists(path) && !prompts.confirmOverwrite()) {
        prompts.showAnotherNameNotice();
        return -1;
    }
    switch (writeFileReplacing(path, blockRecordBytes(block))) {
    case FileWriteResult::Written:
        return 0;
    case FileWriteResult::CreateFailed:
        prompts.showError(QString::fromLatin1(kCreateFileFailed));
        return -1;
    case FileWriteResult::WriteFailed:
        prompts.showError(QString::fromLatin1(kWriteFileFailed));
        return -1;
    }
    return -1;
}

}  // namespace quillmar
