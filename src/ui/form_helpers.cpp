#include "ui/form_helpers.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QValidator>

namespace quillmar {

namespace {

// Accepts any text up to a length; a longer text set by the program stays valid
// as long as typing does not make it longer.
class LengthValidator final : public QValidator {
public:
    LengthValidator(int maxLength, QObject* parent) : QValidator(parent), maxLength_(maxLength) {}

    State validate(QString& input, int&) const override { return input.size() <= maxLength_ ? Acceptable : Invalid; }

private:
    int maxLength_;
};

// A read-only line edit opens the list when clicked, as a drop-down list does.
// The list opens on the button's release: opened on the press, it would take
// that press's release as a pick and close again at once.
class PopupOnClick final : public QObject {
public:
    explicit PopupOnClick(QComboBox* box) : QObject(box), box_(box) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            return box_->isEnabled();
        if (event->type() == QEvent::MouseButtonRelease && box_->isEnabled()) {
            box_->showPopup();
            return true;
        }
        return false;
    }

private:
    QComboBox* box_;
};

}  // namespace

void setEditUsable(QLineEdit* edit, bool usable)
{
    edit->setEnabled(usable);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, usable ? QApplication::palette().color(QPalette::Base)
                                            : QApplication::palette().color(QPalette::Button));
    edit->setPalette(palette);
}

void setEditUsableOrEmpty(QLineEdit* edit, bool usable)
{
    setEditUsable(edit, usable);
    if (!usable)
        edit->clear();
}

void limitTyping(QLineEdit* edit, int maxLength)
{
    edit->setValidator(new LengthValidator(maxLength, edit));
    edit->setProperty("maxTypedLength", maxLength);
}

QComboBox* makeChoiceBox(QWidget* parent, const QStringList& items)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setReadOnly(true);
    box->lineEdit()->installEventFilter(new PopupOnClick(box));
    box->addItems(items);
    box->setCurrentIndex(0);
    return box;
}

void rebuildList(QComboBox* box, const QStringList& items)
{
    const QString shown = box->currentText();
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setEditText(shown);
}

void selectItemEqualTo(QComboBox* box, const QString& text)
{
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i) == text) {
            selectItem(box, i);
            return;
        }
    }
}

void selectItem(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    if (box->isEditable() && index >= 0)
        box->setEditText(box->itemText(index));
}

ComboDoubleClickWatcher::ComboDoubleClickWatcher(QComboBox* box, std::function<void()> handler)
    : QObject(box), box_(box), handler_(std::move(handler))
{
    box_->installEventFilter(this);
    if (box_->lineEdit())
        box_->lineEdit()->installEventFilter(this);
    listViewport_ = box_->view()->viewport();
    listWindow_ = box_->view()->window();
    listViewport_->installEventFilter(this);
    listWindow_->installEventFilter(this);
}

bool ComboDoubleClickWatcher::eventFilter(QObject* watched, QEvent* event)
{
    // Only mouse events are looked at: others also arrive while the box is
    // being destroyed.
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return false;
    // A disabled box takes no clicks, double or single.
    if (!box_->isEnabled())
        return false;
    const bool inList = watched == listViewport_ || watched == listWindow_;
    if (event->type() == QEvent::MouseButtonDblClick && !inList) {
        handler_();
        return true;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (inList) {
        if (lastPressMs_ >= 0 && now - lastPressMs_ <= QApplication::doubleClickInterval()) {
            lastPressMs_ = -1;
            box_->hidePopup();
            handler_();
            return true;
        }
        return false;
    }
    lastPressMs_ = now;
    return false;
}

}  // namespace quillmar
