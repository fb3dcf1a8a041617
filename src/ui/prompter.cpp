#include "ui/prompter.h"

#include "ui/message_box_prompter.h"

namespace quillmar {
namespace {

Prompter* installedPrompter = nullptr;

Prompter& messageBoxes()
{
    static MessageBoxPrompter boxes;
    return boxes;
}

PromptAnswer ask(QWidget* parent, PromptKind kind, const QString& title, const QString& text, PromptIcon icon,
                 PromptButtons buttons = PromptButtons::Ok)
{
    return prompter().show(parent, Prompt{kind, title, text, icon, buttons});
}

}  // namespace

Prompter& prompter()
{
    return installedPrompter ? *installedPrompter : messageBoxes();
}

void setPrompter(Prompter* replacement)
{
    installedPrompter = replacement;
}

void showError(QWidget* parent, const QString& text)
{
    ask(parent, PromptKind::Box, QStringLiteral("Error"), text, PromptIcon::Warning);
}

void showStopError(QWidget* parent, const QString& text)
{
    ask(parent, PromptKind::Box, QStringLiteral("Error"), text, PromptIcon::Stop);
}

void showInformation(QWidget* parent, const QString& text, PromptIcon icon)
{
    ask(parent, PromptKind::Box, QStringLiteral("Information"), text, icon);
}

bool confirm(QWidget* parent, const QString& text)
{
    return ask(parent, PromptKind::Box, QStringLiteral("Confirm"), text, PromptIcon::Question, PromptButtons::YesNo)
           == PromptAnswer::Yes;
}

bool confirm(QWidget* parent, const QString& text, PromptAnswer defaultAnswer)
{
    Prompt prompt{PromptKind::Box, QStringLiteral("Confirm"), text, PromptIcon::Question, PromptButtons::YesNo};
    prompt.defaultAnswer = defaultAnswer;
    return prompter().show(parent, prompt) == PromptAnswer::Yes;
}

void showErrorDialog(QWidget* parent, const QString& text)
{
    ask(parent, PromptKind::TypedDialog, QStringLiteral("Error"), text, PromptIcon::Stop);
}

void showInformationDialog(QWidget* parent, const QString& text)
{
    ask(parent, PromptKind::TypedDialog, QStringLiteral("Information"), text, PromptIcon::Information);
}

void showException(QWidget* parent, const QString& text)
{
    ask(parent, PromptKind::Exception, QStringLiteral("Quillmar LAN WIFI Printer Manager"), text, PromptIcon::Stop);
}

}  // namespace quillmar
