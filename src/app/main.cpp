// quillmar-manager: the desktop program. It opens at the model chooser, which
// either starts a sibling manager or opens the main window.
#include <QDir>

#include "app/end_signals.h"
#include "app/main_form.h"
#include "app/manager_application.h"
#include "app/option_scan.h"
#include "app/shared_windows.h"
#include "record/program_flags.h"
#include "tools/model_chooser_form.h"

int main(int argc, char** argv)
{
    using namespace quillmar;
    applyStartupOptions(scanOptions(argumentText(argc, argv)), programFlags());

    ManagerApplication application(argc, argv);
    // Ended by a signal, the program first gives back what its workers hold.
    const EndSignals endSignals;

    // The chooser is the first window: closing it ends the program.
    TForm3 chooser(QDir::currentPath());
    // The shared dialogs and progress windows are made when first wanted, not
    // before the chooser is painted; only the way to the password dialog is
    // laid now.
    installSharedWindowOpeners();
    chooser.setMainWindowOpener([&chooser] {
        auto* form = new TmainForm();
        form->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(form, &TmainForm::programEnding, &chooser, &QWidget::close);
        setMainForm(form);
        form->show();
    });
    chooser.show();
    return application.exec();
}
