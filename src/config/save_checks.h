#pragma once
// The check that runs before an export or a save by COM port: the rules in their
// fixed order over the window's values, copying each checked value into the
// ConfigBlock as it goes. The first failing rule ends the check, so the fields of
// the rules before it hold their new values and the later ones keep their old.
//
// The window's checkBeforeSave() reads its controls into ConfigFormValues, calls
// runSaveChecks, sets the module address control to addressControlValue when
// present, and on failure shows `message`: a rule failure through the error box,
// a conversion failure by logging "checkBeforeSave" and showing the exception box.
#include <QString>
#include <QtGlobal>
#include <optional>

#include "config/config_form_values.h"
#include "record/config_block.h"

namespace quillmar {

enum class SaveCheckStatus { Passed, RuleFailed, ConversionFailed };

struct SaveCheckOutcome {
    SaveCheckStatus status = SaveCheckStatus::Passed;
    // The rule's message, or the conversion error's own message.
    QString message;
    // Set once the address step ran: the module address control shows this value
    // afterwards, whether or not the check went on to pass.
    std::optional<quint32> addressControlValue;

    bool passed() const { return status == SaveCheckStatus::Passed; }
    // checkBeforeSave's result: 0 when every rule passed, -1 otherwise.
    int result() const { return passed() ? 0 : -1; }
};

SaveCheckOutcome runSaveChecks(const ConfigFormValues& values, ConfigBlock& block);

}  // namespace quillmar
