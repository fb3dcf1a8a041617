#pragma once
#include <QPixmap>

namespace quillmar {

// The 305 x 59 logo shown at the top left of the chooser and the main window.
QPixmap quillmarLogo();

}  // namespace quillmar
