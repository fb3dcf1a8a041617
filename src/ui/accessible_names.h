#pragma once
// Names for a screen reader. An input is named by the label the user reads
// beside it ("SSID:" names the SSID box "SSID"), and that label is its buddy,
// so Orca over AT-SPI reads each box by what it is instead of "edit".
#include <QString>

class QLabel;
class QWidget;

namespace quillmar {

// The label's text without its colon, its trailing blanks and an '&'.
QString labelName(const QString& caption);

// Names `input` by `label` and makes the label its buddy; null pointers are
// passed over (a control that could not be made).
void nameByLabel(QLabel* label, QWidget* input);

// Names `input` directly; an address box names each of its four numbers too.
void nameInput(QWidget* input, const QString& name);

}  // namespace quillmar
