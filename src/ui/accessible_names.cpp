#include "ui/accessible_names.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "ui/ip_address_edit.h"

namespace quillmar {

QString labelName(const QString& caption)
{
    QString name = caption;
    name.remove(u'&');
    name = name.trimmed();
    while (name.endsWith(u':'))
        name.chop(1);
    return name.trimmed();
}

void nameInput(QWidget* input, const QString& name)
{
    if (!input)
        return;
    input->setAccessibleName(name);
    // A choice box's text is an edit of its own to a screen reader.
    if (auto* box = qobject_cast<QComboBox*>(input); box && box->lineEdit())
        box->lineEdit()->setAccessibleName(name);
    if (auto* address = qobject_cast<IpAddressEdit*>(input)) {
        for (int i = 0; i < 4; ++i)
            address->octetEdit(i)->setAccessibleName(QStringLiteral("%1, number %2 of 4").arg(name).arg(i + 1));
    }
}

void nameByLabel(QLabel* label, QWidget* input)
{
    if (!label || !input)
        return;
    label->setBuddy(input);
    nameInput(input, labelName(label->text()));
}

}  // namespace quillmar
