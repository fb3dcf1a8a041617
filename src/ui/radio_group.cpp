#include "ui/radio_group.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QGridLayout>
#include <QRadioButton>

namespace quillmar {

RadioGroup::RadioGroup(const QString& title, QWidget* parent, int columns)
    : QGroupBox(title, parent), columns_(std::max(1, columns))
{
    layout_ = new QGridLayout(this);
    layout_->setContentsMargins(8, 2, 4, 2);
    layout_->setVerticalSpacing(0);
    buttons_ = new QButtonGroup(this);
    connect(buttons_, &QButtonGroup::idClicked, this, [this](int id) { setItemIndex(id); });
}

void RadioGroup::setItems(const QStringList& items)
{
    // New buttons would join the window's Tab order at its end; they take the
    // old ones' place instead.
    const QList<QAbstractButton*> old = buttons_->buttons();
    QWidget* before = old.isEmpty() ? nullptr : old.constFirst()->previousInFocusChain();
    // Only a widget that takes focus can stand before another in that order.
    while (before && before != window() && before->focusPolicy() == Qt::NoFocus)
        before = before->previousInFocusChain();
    if (before == window())
        before = nullptr;
    for (QAbstractButton* button : old) {
        buttons_->removeButton(button);
        delete button;
    }
    items_ = items;
    index_ = -1;
    const int rows = (int(items.size()) + columns_ - 1) / columns_;
    for (int i = 0; i < items.size(); ++i) {
        auto* item = new QRadioButton(items[i], this);
        item->setObjectName(QStringLiteral("%1Item%2").arg(objectName()).arg(i));
        item->installEventFilter(this);
        buttons_->addButton(item, i);
        layout_->addWidget(item, i % rows, i / rows);
        // At once, not at the next turn of the event loop: a Tab pressed
        // meanwhile finds it.
        item->show();
        if (before) {
            QWidget::setTabOrder(before, item);
            before = item;
        }
    }
}

void RadioGroup::setItemIndex(int index)
{
    if (index < -1 || index >= items_.size())
        index = -1;
    if (index < 0) {
        // An exclusive group never shows "nothing checked" on its own.
        buttons_->setExclusive(false);
        for (QAbstractButton* item : buttons_->buttons())
            item->setChecked(false);
        buttons_->setExclusive(true);
    } else {
        buttons_->button(index)->setChecked(true);
    }
    const bool changed = index != index_;
    index_ = index;
    if (changed && index >= 0)
        emit clicked();
}

bool RadioGroup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && index_ >= 0) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        QAbstractButton* selected = buttons_->button(index_);
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && watched != selected
            && selected->isEnabled())
            selected->setFocus(reason);
    }
    return QGroupBox::eventFilter(watched, event);
}

QString RadioGroup::selectedText() const
{
    return index_ >= 0 ? items_[index_] : QString();
}

QRadioButton* RadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton*>(buttons_->button(index));
}

}  // namespace quillmar
