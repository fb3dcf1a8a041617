#include "app/main_window_module.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QWidget>

#include "ui/prompter.h"

namespace quillmar {

MainWindowModule::MainWindowModule(QString programDirectory) : programDirectory_(std::move(programDirectory))
{
}

QStringList MainWindowModule::candidates() const
{
    const QString name = QStringLiteral(QUILLMAR_MAIN_WINDOW_MODULE_NAME);
    const QDir program(programDirectory_);
    // Only the program's own places: a module is code, and is never taken from
    // the working directory or a search path someone else may write to.
    return {QDir::cleanPath(program.filePath(QStringLiteral(QUILLMAR_MAIN_WINDOW_MODULE_DIR) + u'/' + name)),
            program.filePath(name)};
}

bool MainWindowModule::load(QString* error)
{
    if (loaded())
        return true;
    const QStringList places = candidates();
    QString found;
    for (const QString& place : places) {
        if (QFileInfo(place).isFile()) {
            found = place;
            break;
        }
    }
    if (found.isEmpty()) {
        *error = QStringLiteral("The main window's module is missing (looked for %1)")
                     .arg(places.join(QStringLiteral(", ")));
        return false;
    }
    library_.setFileName(found);
    if (!library_.load()) {
        *error = library_.errorString();
        return false;
    }
    const auto version = reinterpret_cast<EntryVersionFunction>(library_.resolve(kEntryVersionSymbol));
    const auto open = reinterpret_cast<OpenMainWindowFunction>(library_.resolve(kOpenMainWindowSymbol));
    const auto stop = reinterpret_cast<StopWorkersFunction>(library_.resolve(kStopWorkersSymbol));
    if (!version || !open || !stop || version() != kMainWindowEntryVersion) {
        *error = QStringLiteral("%1 belongs to another build of this program").arg(found);
        library_.unload();
        return false;
    }
    openMainWindow_ = open;
    stopWorkers_ = stop;
    return true;
}

void MainWindowModule::openMainWindow(const ProgramFlags& flags, QWidget* chooser)
{
    QString error;
    if (!load(&error)) {
        QTextStream(stderr) << "quillmar-manager: " << error << Qt::endl;
        showStopError(chooser, QStringLiteral("Can't open the main window: %1").arg(error));
        chooser->close();
        return;
    }
    openMainWindow_(flags, chooser);
}

int MainWindowModule::stopWorkers() const
{
    return stopWorkers_ ? stopWorkers_() : 0;
}

}  // namespace quillmar
