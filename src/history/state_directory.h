#pragma once
// Where the program keeps what it must not lose between runs: the backups of
// module records and the audit log, under $XDG_STATE_HOME/quillmar
// (~/.local/state/quillmar when XDG_STATE_HOME is not set).
#include <QByteArray>
#include <QString>

#include <optional>

namespace quillmar {

// The directory, or nothing with `error` set when neither XDG_STATE_HOME
// (absolute) nor HOME says where the user's state lives. Not made here.
std::optional<QByteArray> stateDirectory(QString& error);

// Makes every missing directory of `path`, each readable by the owner only;
// false with `error` when one cannot be made or `path` is no directory.
bool makePrivateDirectories(const QByteArray& path, QString& error);

}  // namespace quillmar
