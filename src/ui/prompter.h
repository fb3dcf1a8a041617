#pragma once
// Every message box, question, typed message dialog and exception box of the
// program goes through one process-wide Prompter, so that tests can record the
// exact texts and script the answers.
#include <QString>

#include <optional>
#include <utility>

class QWidget;

namespace quillmar {

enum class PromptIcon { None, Information, Warning, Stop, Question };
enum class PromptButtons { Ok, YesNo };
enum class PromptAnswer { Ok, Yes, No };
// Box: a plain message box. TypedDialog: the toolkit's typed message dialog
// (error or information, one OK button). Exception: the standard exception box.
enum class PromptKind { Box, TypedDialog, Exception };

struct Prompt {
    Prompt() = default;
    Prompt(PromptKind kind, QString title, QString text, PromptIcon icon = PromptIcon::None,
           PromptButtons buttons = PromptButtons::Ok)
        : kind(kind), title(std::move(title)), text(std::move(text)), icon(icon), buttons(buttons)
    {
    }

    PromptKind kind = PromptKind::Box;
    QString title;
    QString text;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    // The button Enter presses; unset: the toolkit's choice.
    std::optional<PromptAnswer> defaultAnswer;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual PromptAnswer show(QWidget* parent, const Prompt& prompt) = 0;
};

Prompter& prompter();
// Installs a prompter for the whole process (not owned); nullptr restores the
// message-box prompter.
void setPrompter(Prompter* replacement);

// The shapes the program uses again and again.
void showError(QWidget* parent, const QString& text);      // "Error", warning icon
void showStopError(QWidget* parent, const QString& text);  // "Error", stop icon
void showInformation(QWidget* parent, const QString& text, PromptIcon icon = PromptIcon::None);
bool confirm(QWidget* parent, const QString& text);  // "Confirm", Yes and No
// The same with the button Enter presses: Yes where the user asked for the
// step and is shown what it does, No where it cannot be undone by the next click.
bool confirm(QWidget* parent, const QString& text, PromptAnswer defaultAnswer);
void showErrorDialog(QWidget* parent, const QString& text);        // typed dialog
void showInformationDialog(QWidget* parent, const QString& text);  // typed dialog
void showException(QWidget* parent, const QString& text);

}  // namespace quillmar
