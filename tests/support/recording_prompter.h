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

    PromptAnswer show(QWidget*, const Prompt& prompt) override
    {
        prompts.push_back(prompt);
        if (!answers.empty()) {
            const PromptAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return prompt.buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Ok;
    }

    QStringList texts() const
    {
        QStringList all;
        for (const Prompt& prompt : prompts)
            all << prompt.text;
        return all;
    }

    std::vector<Prompt> prompts;
    std::deque<PromptAnswer> answers;
};

}  // namespace quillmar::test
