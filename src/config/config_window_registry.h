#pragma once
// Links between the configuration windows and the windows created once at
// start-up, set by the application so that neither side depends on the other.
#include <functional>

namespace quillmar {

class TcfgForm;

// The configuration window opened last (null before the first, or after it was
// destroyed). The access password dialog returns the user to it.
TcfgForm* newestConfigWindow();
void setNewestConfigWindow(TcfgForm* form);

// Shows the access password dialog; set by the application at start-up.
// Without one, a double-click on the IP-mode box does nothing.
void setPasswordDialogOpener(std::function<void()> opener);
void openPasswordDialog();

}  // namespace quillmar
