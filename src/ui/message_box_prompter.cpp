#include "ui/message_box_prompter.h"

#include <QMessageBox>

namespace quillmar {
namespace {

QMessageBox::Icon boxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Stop:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

PromptAnswer MessageBoxPrompter::show(QWidget* parent, const Prompt& prompt)
{
    // A box belongs to the window it is about: it blocks that window only,
    // so an error in one configuration window leaves the others usable.
    QWidget* owner = parent ? parent->window() : nullptr;
    QMessageBox box(boxIcon(prompt.icon), prompt.title, prompt.text, QMessageBox::NoButton, owner);
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    if (prompt.buttons == PromptButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        if (prompt.defaultAnswer)
            box.setDefaultButton(*prompt.defaultAnswer == PromptAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return PromptAnswer::Ok;
}

}  // namespace quillmar
