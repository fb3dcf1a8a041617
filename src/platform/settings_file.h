#pragma once
// The small settings files the program keeps ("modelno.dat", "COMSET.DAT",
// "BAUDSET.DAT"), and where: in the directory the program was started in when
// they are there, as it always kept them, and otherwise in the user's
// configuration directory. Only regular files count: a FIFO, directory or
// device under one of these names is never opened for a blocking read or
// write, so it cannot hang the program.
#include <QByteArray>
#include <QString>
#include <optional>

namespace quillmar {

// $XDG_CONFIG_HOME/quillmar (an absolute XDG_CONFIG_HOME), else
// ~/.config/quillmar; nothing when HOME does not name one either.
std::optional<QString> settingsConfigDirectory();

// Where the settings file `name` is read: in `startDirectory` when a regular
// file of that name is there, otherwise in settingsConfigDirectory(). A start
// from the desktop menu begins in the home directory (or /), which is no place
// for them. Without a configuration directory, `startDirectory`.
QString settingsFilePath(const QString& startDirectory, const QString& name);

// The same place for writing, with the configuration directory made (readable
// by its owner only) when the file goes there and it is missing.
QString settingsFileToWrite(const QString& startDirectory, const QString& name);

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
