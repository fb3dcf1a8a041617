#pragma once
// A search's progress as the search engine reports it (labels, bar, beeps,
// errors, rows offered), recorded for the tests to look at instead of shown in
// a window. It can stop the search at a given bar step, as "Cancel" would.
#include <string>
#include <vector>

#include "discovery/search_engine.h"

namespace quillmar::test {

class RecordingSearchProgress : public SearchProgress {
public:
    void setLabel(const std::string& text) override { labels.push_back(text); }
    void setBarPosition(int position) override { positions.push_back(position); }
    void stepBar() override
    {
        ++steps;
        if (stopAtStep == steps && engine)
            engine->requestStop();
    }
    void beep() override { ++beeps; }
    void showError(const std::string& text) override { errors.push_back(text); }
    void addRow(const DeviceEntry& entry) override { offered.push_back(entry); }

    std::vector<std::string> labels;
    std::vector<int> positions;
    int steps = 0;
    int beeps = 0;
    std::vector<std::string> errors;
    std::vector<DeviceEntry> offered;
    // The engine told to stop when the bar reaches this step (0: never).
    int stopAtStep = 0;
    SearchEngine* engine = nullptr;
};

}  // namespace quillmar::test
