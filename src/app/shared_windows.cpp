#include "app/shared_windows.h"

#include "config/cfg_form.h"
#include "config/config_window_registry.h"
#include "tools/password_dialog.h"

#include "discovery/search_ip_dialog.h"
#include "discovery/udp_progress_form.h"
#include "maintenance/upgrade_fw_dialog.h"
#include "maintenance/upgrade_prg_form.h"

namespace quillmar {

SharedWindows& sharedWindows()
{
    static SharedWindows windows;
    return windows;
}

SharedWindows& createSharedWindows()
{
    SharedWindows& windows = sharedWindows();
    if (!windows.created) {
        windows.created = true;
        // A configuration window closed while the dialog was up has given its device
        // back; showing it again would let the same printer be opened twice.
        windows.PasswordDlg = new TPasswordDlg([]() -> QWidget* {
            TcfgForm* newest = newestConfigWindow();
            return newest && newest->isVisible() ? newest : nullptr;
        });
        installSharedWindowOpeners();
        windows.udpPrgForm = new TudpPrgForm();
        windows.sIPDlg = new TsIPDlg();
        windows.upgradeFWDlg = new TupgradeFWDlg();
        windows.upgradePrgForm = new TupgradePrgForm();
    }
    return windows;
}

void installSharedWindowOpeners()
{
    setPasswordDialogOpener([] {
        TPasswordDlg* dialog = createSharedWindows().PasswordDlg;
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
}

}  // namespace quillmar
