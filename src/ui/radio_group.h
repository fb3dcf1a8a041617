#pragma once
// A titled group of radio buttons whose items a window may replace at any time,
// with one selected index (-1: none). `clicked` reports a change of the selected
// item, whether the user clicked another item or the program selected one, so
// that dependent choices follow either way; replacing the items leaves none
// selected and reports nothing.
#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace quillmar {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    // Items are laid out down `columns` columns, filling the first column first.
    explicit RadioGroup(const QString& title, QWidget* parent = nullptr, int columns = 1);

    QStringList items() const { return items_; }
    void setItems(const QStringList& items);

    int itemIndex() const { return index_; }
    // -1 clears the selection. A change to another item emits `clicked`.
    void setItemIndex(int index);
    // The selected item's text, or an empty text.
    QString selectedText() const;

    QRadioButton* button(int index) const;

signals:
    void clicked();

protected:
    // Tab into the group lands on the selected item, as in the system's radio
    // groups; the arrow keys move between the items.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList items_;
    int columns_;
    int index_ = -1;
    QButtonGroup* buttons_ = nullptr;
    QGridLayout* layout_ = nullptr;
};

}  // namespace quillmar
