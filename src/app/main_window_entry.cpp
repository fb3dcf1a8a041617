// The module's side of the way in: what the manager's first window calls once
// the user has chosen a family this program manages.
#include "app/main_window_entry.h"

#include <QWidget>

#include "app/main_form.h"
#include "app/shared_windows.h"
#include "maintenance/maintenance_thread.h"

using namespace quillmar;

extern "C" Q_DECL_EXPORT int quillmarMainWindowEntryVersion()
{
    return kMainWindowEntryVersion;
}

extern "C" Q_DECL_EXPORT void quillmarOpenMainWindow(const ProgramFlags& flags, QWidget* chooser)
{
    // The module keeps its own copy of the program's values; the chooser's
    // side set them, so they are taken over before any window reads them.
    programFlags() = flags;
    static bool openersInstalled = false;
    if (!openersInstalled) {
        installSharedWindowOpeners();
        openersInstalled = true;
    }
    auto* form = new TmainForm();
    form->setAttribute(Qt::WA_DeleteOnClose);
    if (chooser)
        QObject::connect(form, &TmainForm::programEnding, chooser, &QWidget::close);
    setMainForm(form);
    form->show();
}

extern "C" Q_DECL_EXPORT int quillmarStopWorkers()
{
    return MaintenanceThread::stopAllAndWait();
}
