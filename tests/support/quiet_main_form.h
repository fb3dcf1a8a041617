#pragma once
// The main window for window tests that are not about searching: its searches
// (the one at start and the ones commands ask for) send nothing.
#include "app/main_form.h"

namespace quillmar::test {

class QuietMainForm final : public TmainForm {
public:
    using TmainForm::TmainForm;
    void startSearch(bool, const QString&) override {}
};

}  // namespace quillmar::test
