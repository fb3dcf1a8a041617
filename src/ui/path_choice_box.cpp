#include "ui/path_choice_box.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <algorithm>

namespace quillmar {

PathChoiceBox::PathChoiceBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentTextChanged, this, &PathChoiceBox::followCurrent);
}

void PathChoiceBox::followCurrent()
{
    setToolTip(currentText());
    setAccessibleDescription(currentText());
}

QString PathChoiceBox::shownText() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    return fontMetrics().elidedText(currentText(), Qt::ElideMiddle, std::max(field.width() - 2, 0));
}

void PathChoiceBox::showPopup()
{
    // As wide as the longest item, beyond the box when it must be.
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)));
    view()->setMinimumWidth(std::max(width(), widest + 40));
    QComboBox::showPopup();
}

void PathChoiceBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace quillmar
