#pragma once
// Files the user names (exported records, key files) are regular files named by the
// system's bytes. Reading never blocks on a FIFO or a device; writing never
// replaces anything but a regular file, and what it creates is readable by its
// owner only, as an exported record holds the Wi-Fi keys.
#include <QByteArray>

namespace quillmar {

struct RegularFileRead {
    enum class Status { Read, Missing, NotOpened, BadSize };
    Status status = Status::Read;
    QByteArray bytes;  // Read: the whole file
};

// Reads a regular file of 1 to `maxSize` bytes. Missing: nothing is there.
// NotOpened: not a regular file, or it cannot be opened. BadSize: empty, larger
// than `maxSize`, or a read ended short.
RegularFileRead readRegularFile(const QByteArray& path, qint64 maxSize);

enum class PrivateWrite {
    Written,
    Exists,        // the file is there and `replace` was not given
    NotRegular,    // something other than a regular file is there; it is left alone
    CreateFailed,  // no file could be made beside it (missing or closed directory)
    WriteFailed,   // writing or renaming failed; whatever was there is unchanged
};

// Writes `bytes` to a new file of mode 0600 beside `path` and renames it over
// `path`: an existing regular file only when `replace` is set, never anything
// else, so a failed write leaves the old file whole.
PrivateWrite writePrivateFile(const QByteArray& path, const QByteArray& bytes, bool replace);

}  // namespace quillmar
