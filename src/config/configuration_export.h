#pragma once
// Export of a configuration to a 256-byte file: exactly one record, the thirteen
// fields each at its full width. The file is written to a temporary file beside
// the target and renamed over it, so a failed write leaves the file that was
// there as it was.
#include <QByteArray>
#include <QString>

#include "record/config_block.h"

namespace quillmar {

// The save dialog of the export.
inline constexpr char kExportDialogTitle[] = "Save Configuration file...";
inline constexpr char kExportFileFilter[] = "*.bin";
inline constexpr char kExportDefaultSuffix[] = "bin";

// The questions and messages of the export; titles and texts are fixed.
inline constexpr char kOverwriteTitle[] = "INFO";
inline constexpr char kOverwriteQuestion[] = " file is exist, Would you over write ?";
inline constexpr char kAnotherNameTitle[] = "InFormation";
inline constexpr char kAnotherNameText[] = "Please input another file name.";
inline constexpr char kCreateFileFailed[] = "create file failed";
inline constexpr char kWriteFileFailed[] = "write file failed";
inline constexpr char kExportFinishedTitle[] = "Finished";
inline constexpr char kExportFinishedText[] = "export configuration file finished";

enum class FileWriteResult { Written, CreateFailed, WriteFailed };

// Writes `bytes` as the whole content of `path` through a temporary file of mode
// 0600 (the record holds the Wi-Fi keys) renamed over it. CreateFailed: the
// temporary file could not be made (the directory is missing or not writable),
// or the name is taken by something that is not a regular file (a FIFO, a
// device), which is left alone. WriteFailed: writing or the rename failed; the
// temporary file is removed and the target is untouched.
FileWriteResult writeFileReplacing(const QString& path, const QByteArray& bytes);

// How the export asks and tells; the window answers through its message boxes.
class ExportPrompts {
public:
    virtual ~ExportPrompts() = default;
    // kOverwriteQuestion, titled kOverwriteTitle, Yes / No: true only for Yes.
    virtual bool confirmOverwrite() = 0;
    // kAnotherNameText in an OK box titled kAnotherNameTitle.
    virtual void showAnotherNameNotice() = 0;
    // kCreateFileFailed or kWriteFileFailed, titled "Error", warning icon.
    virtual void showError(const QString& text) = 0;
};

// exportData: asks before replacing an existing file (any answer but Yes: the
// notice, -1, file untouched), writes the block's record, reports a failure.
// 0 when written, -1 otherwise. The caller shows kExportFinishedText on 0.
int exportData(const QString& path, const ConfigBlock& block, ExportPrompts& prompts);

}  // namespace quillmar
