#pragma once
// Enter presses the button that has the keyboard focus. Qt does that by
// itself only in dialogs; the program's other windows (the configuration
// window, the settings tools, the main window) ask for it here.
class QWidget;

namespace quillmar {

// Every push button now in `window`.
void pressFocusedButtonOnEnter(QWidget* window);

}  // namespace quillmar
