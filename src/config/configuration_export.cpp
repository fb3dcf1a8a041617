#include "config/configuration_export.h"

#include <QFile>
#include <QFileInfo>

#include "config/save_records.h"
#include "platform/regular_files.h"

namespace quillmar {

FileWriteResult writeFileReplacing(const QString& path, const QByteArray& bytes)
{
    switch (writePrivateFile(QFile::encodeName(path), bytes, true)) {
    case PrivateWrite::Written:
        return FileWriteResult::Written;
    case PrivateWrite::Exists:  // not reached: replacing was asked for
    case PrivateWrite::NotRegular:
    case PrivateWrite::CreateFailed:
        return FileWriteResult::CreateFailed;
    case PrivateWrite::WriteFailed:
        return FileWriteResult::WriteFailed;
    }
    return FileWriteResult::WriteFailed;
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
