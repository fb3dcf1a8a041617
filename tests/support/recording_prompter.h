#pragma once
// A Prompter for tests: records every prompt and answers from a script.
#include <deque>
#include <vector>

#include "ui/prompter.h"

namespace quillmar::test {

class RecordingPrompter final : public Prompter {
public:
    RecordingPrompter() { setPrompter(this); }
    ~RecordingPrompter() override { setPrompter(nullptr); }

    // Unscripted, a question gets its default button (what Enter presses),
    // else No.
    PromptAnswer show(QWidget* parent, const Prompt& prompt) override
    {
        prompts.push_back(prompt);
        parents.push_back(parent);
        if (!answers.empty()) {
            const PromptAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        if (prompt.buttons != PromptButtons::YesNo)
            return PromptAnswer::Ok;
        return prompt.defaultAnswer.value_or(PromptAnswer::No);
    }

    QStringList texts() const
    {
        QStringList all;
        for (const Prompt& prompt : prompts)
            all << prompt.text;
        return all;
    }

    std::vector<Prompt> prompts;
    std::vector<QWidget*> parents;  // the window each prompt was shown for
    std::deque<PromptAnswer> answers;
};

}  // namespace quillmar::test
