#pragma once
// Import of settings from a "$S" key file (importData). The file is 1 to 1023
// bytes of single-byte text; lines end with CR LF and text after the last CR LF
// is ignored; only lines starting with "$S" are looked at, their first four
// characters being the key and the rest the value, taken as it stands.
#include <QByteArray>
#include <QString>

#include "config/import_target.h"

namespace quillmar {

inline constexpr char kImportDialogTitle[] = "Open Configuration file...";
inline constexpr char kImportFileFilter[] = "*.txt";
inline constexpr qint64 kImportFileMaxSize = 1023;

enum class ImportStatus { Read, FileMissing, OpenFailed, ReadFailed, ConversionFailed };

struct ImportOutcome {
    ImportStatus status = ImportStatus::Read;
    // "file isn't exists", "open file failed", "read file failed." (error box),
    // or the conversion error's own message (log "importData", exception box).
    QString message;

    // importData's result: 0 read to the end, -2 bad size or short read, -1 else.
    int result() const;
};

// Applies the lines of `text` to `target`. A "$SLW" value that is not a number
// ends the import at that line; the lines before it stay applied.
ImportOutcome applyKeyFileText(const QByteArray& text, ImportTarget& target);

// Checks and reads the file, then applies it.
ImportOutcome importKeyFile(const QString& path, ImportTarget& target);

}  // namespace quillmar
