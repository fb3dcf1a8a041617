#pragma once
// The logo the windows show, drawn in code, so that no picture file has to be
// found at run time.
#include <QPixmap>

namespace quillmar {

// The 305 x 59 logo shown at the top left of the chooser and the main window.
QPixmap quillmarLogo();

}  // namespace quillmar
