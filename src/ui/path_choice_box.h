#pragma once
// A choice box of serial ports shown with the device paths they stand for
// ("COM3 — /dev/serial/by-id/usb-FTDI_..."). A path is never cut off: the
// list opens as wide as its longest item, and a box too narrow for the chosen
// one shows both its ends with an ellipsis between them and the whole text as
// its tool tip, where a plain box would clip the path's end, the part that
// tells two adapters apart.
#include <QComboBox>

namespace quillmar {

class PathChoiceBox : public QComboBox {
    Q_OBJECT
public:
    explicit PathChoiceBox(QWidget* parent = nullptr);

    // The text the closed box draws.
    QString shownText() const;

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void followCurrent();
};

}  // namespace quillmar
