#pragma once
// The launcher's side of the way to the main window: finds the module beside
// the program (where the build puts it) or where the package installs it,
// loads it once, and calls it.
#include <QLibrary>
#include <QString>

#include "app/main_window_entry.h"

namespace quillmar {

class MainWindowModule {
public:
    // `programDirectory` is the directory the running program was started from.
    explicit MainWindowModule(QString programDirectory);

    // Loads the module the first time; false with `error` set when it cannot
    // be found, loaded or is of another build.
    bool load(QString* error);
    bool loaded() const { return openMainWindow_ != nullptr; }

    // Loads the module and opens the main window for `chooser`. A module that
    // cannot be loaded is reported (standard error and a stop box) and the
    // chooser is closed, which ends the program: there is nothing it can do.
    void openMainWindow(const ProgramFlags& flags, QWidget* chooser);
    // Nothing runs before the module is loaded, so nothing is stopped then.
    int stopWorkers() const;

private:
    // Where the module is looked for, in order.
    QStringList candidates() const;

    QString programDirectory_;
    QLibrary library_;
    OpenMainWindowFunction openMainWindow_ = nullptr;
    StopWorkersFunction stopWorkers_ = nullptr;
};

}  // namespace quillmar
