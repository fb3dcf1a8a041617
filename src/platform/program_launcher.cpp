#include "platform/program_launcher.h"

#include <QProcess>

namespace quillmar {

bool ProcessLauncher::startDetached(const QString& program, const QStringList& arguments,
                                    const QString& workingDirectory)
{
    return QProcess::startDetached(program, arguments, workingDirectory);
}

}  // namespace quillmar
