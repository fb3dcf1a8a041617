// quillmar-manager: the desktop program. It opens at the model chooser, which
// either starts a sibling manager or opens the main window. The main window
// and all that follows it are loaded only then, so the chooser is on the
// screen without waiting for the libraries they need.
#include <QDir>

#include "app/end_signals.h"
#include "app/main_window_module.h"
#include "app/manager_application.h"
#include "app/option_scan.h"
#include "platform/font_warm_up.h"
#include "record/program_flags.h"
#include "tools/model_chooser_form.h"

int main(int argc, char** argv)
{
    using namespace quillmar;
    applyStartupOptions(scanOptions(argumentText(argc, argv)), programFlags());

    // Read while the application connects to the display; the chooser's text
    // needs it next.
    const FontConfigurationWarmUp fonts;
    ManagerApplication application(argc, argv);
    MainWindowModule mainWindows(QCoreApplication::applicationDirPath());
    // Ended by a signal, the program first gives back what its workers hold.
    const EndSignals endSignals([&mainWindows] { mainWindows.stopWorkers(); });

    // The chooser is the first window: closing it ends the program.
    TForm3 chooser(QDir::currentPath());
    chooser.setMainWindowOpener([&chooser, &mainWindows] { mainWindows.openMainWindow(programFlags(), &chooser); });
    chooser.show();
    return application.exec();
}
