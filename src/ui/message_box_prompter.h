#pragma once
// The Prompter the program installs: every message, question and exception box
// as a QMessageBox with the title, icon and buttons it is given. Tests install
// a recording one instead.
#include "ui/prompter.h"

namespace quillmar {

class MessageBoxPrompter final : public Prompter {
public:
    PromptAnswer show(QWidget* parent, const Prompt& prompt) override;
};

}  // namespace quillmar
