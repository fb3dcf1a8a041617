#pragma once
// The small settings files the program keeps in its working directory
// ("modelno.dat", "COMSET.DAT", "BAUDSET.DAT"). Only regular files count: a
// FIFO, directory or device under one of these names is never opened for a
// blocking read or write, so it cannot hang the program.
#include <QByteArray>
#include <QString>
#include <optional>

namespace quillmar {

// At most `maxBytes` bytes from the start of the file. Nothing when the file
// is missing, unreadable or not a regular file (a symbolic link counts as what
// it names).
std::optional<QByteArray> readSettingsFile(const QString& path, qsizetype maxBytes = 64);

// Makes `bytes` the whole content of the file. The bytes go to a temporary
// file beside it that is then renamed over it, so a failed write leaves the old
// content. Where the directory refuses new files but the file itself may be
// written, the file is rewritten in place instead. An existing file keeps its
// permissions (and its owner, when run as root); a symbolic link is written
// through. False, with the old file untouched, when the name is taken by
// something that is not a regular file, when an existing file is read-only,
// or when nothing could be written.
bool writeSettingsFile(const QString& path, const QByteArray& bytes);

}  // namespace quillmar
