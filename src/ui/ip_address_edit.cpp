#include "ui/ip_address_edit.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace quillmar {

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    layout->setContentsMargins(frame, frame, frame, frame);
    layout->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            layout->addWidget(new QLabel(QStringLiteral("."), this));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("octet%1").arg(i));
        edit->setMaxLength(3);
        edit->setValidator(new QIntValidator(0, 255, edit));
        edit->setAlignment(Qt::AlignCenter);
        edit->setFrame(false);
        // The box's own frame is drawn around the four numbers.
        edit->setAttribute(Qt::WA_TranslucentBackground);
        edit->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
        edit->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            // Moving on after the third digit, as the system's address control does.
            if (text.size() == 3 && i < 3) {
                moveTo(i + 1, false);
                // The '.' a user types after the third digit is the separator
                // this move already stands for, whatever the next box holds.
                movedOnTo_ = i + 1;
            }
            emit valueChanged();
        });
        layout->addWidget(edit, 1);
        octets_[i] = edit;
    }
    setFocusProxy(octets_[0]);
    setFocusPolicy(Qt::StrongFocus);
}

void IpAddressEdit::moveTo(int index, bool atEnd)
{
    octets_[index]->setFocus();
    if (atEnd)
        octets_[index]->end(false);
    else
        octets_[index]->selectAll();
}

void IpAddressEdit::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect();
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this);
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    const bool focused = std::any_of(octets_.begin(), octets_.end(), [](const QLineEdit* e) { return e->hasFocus(); });
    if (focused)
        frame.state |= QStyle::State_HasFocus;
    else
        frame.state &= ~QStyle::State_HasFocus;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, this);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    int i = 0;
    while (i < 4 && watched != octets_[i])
        ++i;
    if (i == 4)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        // Tab selects a box's number on the way in; a box the program gives
        // focus to does the same, so that what is typed replaces the number
        // instead of being refused at the three digits it already holds. A
        // click puts the cursor where it was clicked, and a window coming
        // back keeps it where it was.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::OtherFocusReason)
            octets_[i]->selectAll();
        update();  // the frame shows whether the box has focus
        return false;
    }
    if (event->type() == QEvent::FocusOut || event->type() == QEvent::MouseButtonPress) {
        movedOnTo_ = -1;
        if (event->type() == QEvent::FocusOut)
            update();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* octet = octets_[i];
    const bool backtab = key->key() == Qt::Key_Backtab
                         || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
    if (backtab && i > 0) {
        // Shift+Tab leaves the box from any of its numbers, as Tab does: the
        // numbers after the first are no Tab stops of their own, so Qt would
        // stop at the first number instead.
        octets_[0]->setFocus(Qt::BacktabFocusReason);
        QKeyEvent again(QEvent::KeyPress, Qt::Key_Backtab, key->modifiers());
        QCoreApplication::sendEvent(octets_[0], &again);
        return true;
    }
    const bool justMovedOn = movedOnTo_ == i;
    movedOnTo_ = -1;
    if (key->key() == Qt::Key_Period || key->text() == QLatin1String(".")) {
        // Swallowed right after the third digit moved on, so "192.0.2.11"
        // typed straight through fills the four boxes in order even over an
        // address they hold; in an empty box there is nothing to move on from.
        if (i < 3 && !justMovedOn && !octet->text().isEmpty())
            moveTo(i + 1, false);
        return true;
    }
    const bool noSelection = !octet->hasSelectedText();
    if (key->key() == Qt::Key_Right && i < 3 && noSelection && octet->cursorPosition() == octet->text().size()) {
        moveTo(i + 1, false);
        return true;
    }
    if ((key->key() == Qt::Key_Left || key->key() == Qt::Key_Backspace) && i > 0 && noSelection
        && octet->cursorPosition() == 0) {
        moveTo(i - 1, true);
        return true;
    }
    return false;
}

std::uint32_t IpAddressEdit::value() const
{
    std::uint32_t address = 0;
    for (const QLineEdit* edit : octets_)
        address = (address << 8) | (static_cast<std::uint32_t>(edit->text().toUInt()) & 0xFFu);
    return address;
}

void IpAddressEdit::setValue(std::uint32_t address)
{
    for (int i = 0; i < 4; ++i)
        octets_[i]->setText(QString::number((address >> (24 - 8 * i)) & 0xFFu));
    emit valueChanged();
}

void IpAddressEdit::clear()
{
    for (QLineEdit* edit : octets_)
        edit->clear();
    emit valueChanged();
}

bool IpAddressEdit::isBlank() const
{
    for (const QLineEdit* edit : octets_) {
        if (!edit->text().isEmpty())
            return false;
    }
    return true;
}

}  // namespace quillmar
