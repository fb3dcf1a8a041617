#pragma once
// The logo the windows show, drawn in code, so that no picture file has to be
// found at run time.
#include <QPalette>
#include <QPixmap>

namespace quillmar {

// The 305 x 59 logo shown at the top left of the chooser and the main window.
// It sits on the window's own background: only the printer picture keeps a
// light card behind it, and the word mark takes the palette's text colours,
// so a dark theme shows it as well as a light one.
QPixmap quillmarLogo(const QPalette& palette);
QPixmap quillmarLogo();

}  // namespace quillmar
