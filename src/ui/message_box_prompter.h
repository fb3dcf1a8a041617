#pragma once
#include "ui/prompter.h"

namespace quillmar {

class MessageBoxPrompter final : public Prompter {
public:
    PromptAnswer show(QWidget* parent, const Prompt& prompt) override;
};

}  // namespace quillmar
