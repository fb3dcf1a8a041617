#include "history/state_directory.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace quillmar {

std::optional<QByteArray> stateDirectory(QString& error)
{
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is to be ignored, as the base directory rules say.
    if (state.startsWith('/'))
        return state + "/quillmar";
    const QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
        error = QStringLiteral("neither XDG_STATE_HOME nor HOME names a directory for the backups");
        return std::nullopt;
    }
    return home + "/.local/state/quillmar";
}

bool makePrivateDirectories(const QByteArray& path, QString& error)
{
    // The program's own folders are never followed through a link: run as
    // root, a link planted there would have it write its backups, keys
    // included, wherever the link points. The folders above them are the
    // user's, and may be links.
    QString ignored;
    const QByteArray own = stateDirectory(ignored).value_or(QByteArray());
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray prefix = slash < 0 ? path : path.left(slash);
        if (!prefix.isEmpty() && ::mkdir(prefix.constData(), 0700) != 0 && errno != EEXIST) {
            error = QStringLiteral("cannot make %1: %2").arg(QFile::decodeName(prefix), qt_error_string(errno));
            return false;
        }
        struct stat link {};
        if (!own.isEmpty() && prefix.startsWith(own) && ::lstat(prefix.constData(), &link) == 0
            && S_ISLNK(link.st_mode)) {
            error = QStringLiteral("%1 is a symbolic link; the program keeps its state only in a directory of its "
                                   "own")
                        .arg(QFile::decodeName(prefix));
            return false;
        }
        if (slash < 0)
            break;
    }
    struct stat info {};
    if (::stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = QStringLiteral("%1 is not a directory").arg(QFile::decodeName(path));
        return false;
    }
    return true;
}

}  // namespace quillmar
