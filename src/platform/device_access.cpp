#include "platform/device_access.h"

#include <QFile>

#include <unistd.h>

namespace quillmar {

QString deniedAccessHint(const QString& path, const char* debianGroup)
{
    if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0)
        return {};
    return QStringLiteral(" (this user may not read and write it: add the user to the group that owns it, on "
                          "Debian %1, and log in again)")
        .arg(QLatin1String(debianGroup));
}

}  // namespace quillmar
