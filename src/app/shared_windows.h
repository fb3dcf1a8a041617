#pragma once
// The dialogs and progress windows created once and reused for the whole run.
// They stay hidden until a command shows them, so each is made when it is
// first wanted rather than before the chooser's first paint.

namespace quillmar {

class TPasswordDlg;
class TsIPDlg;
class TudpPrgForm;
class TupgradeFWDlg;
class TupgradePrgForm;

struct SharedWindows {
    // Later windows add their pointer here, created in createSharedWindows().
    bool created = false;
    // The access password dialog; a configuration window's IP-mode box opens it.
    TPasswordDlg* PasswordDlg = nullptr;
    TudpPrgForm* udpPrgForm = nullptr;          // the search's progress window
    TsIPDlg* sIPDlg = nullptr;                  // the search-by-IP dialog
    TupgradeFWDlg* upgradeFWDlg = nullptr;      // the firmware upgrade's port and file
    TupgradePrgForm* upgradePrgForm = nullptr;  // the maintenance workers' progress window
};

// Creates each shared window once; later calls return the same set.
SharedWindows& createSharedWindows();
SharedWindows& sharedWindows();

// What must reach a shared window before it is made: a configuration window's
// IP-mode box opens the password dialog, making it then. Called at start-up.
void installSharedWindowOpeners();

}  // namespace quillmar
