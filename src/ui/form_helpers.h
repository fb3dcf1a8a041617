#pragma once
// Small control operations the configuration window repeats: the window and
// button-face colours of an edit, typing limits that never cut a text the
// program puts in, choice boxes that keep a shown text their list lacks, and a
// double-click on a choice box.
#include <QObject>
#include <QStringList>
#include <functional>

class QComboBox;
class QLineEdit;

namespace quillmar {

// Enabled with the window colour, or disabled with the button-face colour.
void setEditUsable(QLineEdit* edit, bool usable);
// Disabled, button-face colour and emptied, or enabled with the window colour.
void setEditUsableOrEmpty(QLineEdit* edit, bool usable);

// Limits what the user may type to `maxLength` characters; a text set by the
// program (a device's model name, an imported value) is kept whole.
void limitTyping(QLineEdit* edit, int maxLength);

// A choice box whose shown text may differ from its items: the text stays when
// the list is rebuilt. The user picks from the list; typing is not offered.
QComboBox* makeChoiceBox(QWidget* parent, const QStringList& items);
// Removes all items and adds `items`; the shown text stays as it was and no item
// is selected.
void rebuildList(QComboBox* box, const QStringList& items);
// Selects the first item whose text equals `text` exactly; with no match the box
// stays as it was.
void selectItemEqualTo(QComboBox* box, const QString& text);
// Selects an item by index and shows its text (-1 leaves the shown text alone).
void selectItem(QComboBox* box, int index);

// Calls `handler` on a double-click on the box. A closed choice box opens its
// list on the first press, so a second press that lands in the list within the
// double-click interval counts too.
class ComboDoubleClickWatcher : public QObject {
    Q_OBJECT
public:
    ComboDoubleClickWatcher(QComboBox* box, std::function<void()> handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* box_;
    QObject* listViewport_ = nullptr;
    QObject* listWindow_ = nullptr;
    std::function<void()> handler_;
    qint64 lastPressMs_ = -1;
};

}  // namespace quillmar
