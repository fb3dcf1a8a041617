#include "ui/ip_address_edit.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace quillmar {

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
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
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            // Moving on after the third digit, as the system's address control does.
            if (text.size() == 3 && i < 3) {
                octets_[i + 1]->setFocus();
                octets_[i + 1]->selectAll();
            }
            emit valueChanged();
        });
        layout->addWidget(edit, 1);
        octets_[i] = edit;
    }
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool period = key->key() == Qt::Key_Period || key->text() == QLatin1String(".");
        for (int i = 0; i < 4 && period; ++i) {
            if (watched != octets_[i])
                continue;
            // A period in an empty box is swallowed: after three digits the
            // cursor has already moved on, so "192.0.2.11" typed straight
            // through fills the four boxes in order.
            if (i < 3 && !octets_[i]->text().isEmpty()) {
                octets_[i + 1]->setFocus();
                octets_[i + 1]->selectAll();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
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
