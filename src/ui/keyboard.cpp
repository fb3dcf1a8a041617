#include "ui/keyboard.h"

#include <QPushButton>

namespace quillmar {

void pressFocusedButtonOnEnter(QWidget* window)
{
    // An auto-default button takes Enter while it has the focus; outside a
    // dialog there is no default button that would take it otherwise.
    for (QPushButton* button : window->findChildren<QPushButton*>())
        button->setAutoDefault(true);
}

}  // namespace quillmar
