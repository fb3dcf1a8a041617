#pragma once
// The settings `quillmar-cli config set` can change, as field=value words. Each
// field names one box of the configuration window; its value is checked with
// that box's rule before anything is sent, and then merged into the values the
// window would hold for the module.
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include "config/config_form_values.h"

namespace quillmar::cli {

struct FieldOverride {
    std::string field;  // lower-case field name
    QString value;
};

// "name  what it sets" lines for --help, one per field.
QStringList settableFieldHelp();

// Splits "field=value" words (field names in any case). Nothing, with `error`
// set, on a word without '=', an unknown field or a field given twice.
std::optional<std::vector<FieldOverride>> parseFieldOverrides(const std::vector<std::string>& words,
                                                              std::string& error);

// The window's rule for each given value (the SSID, key and port rules, the
// address rule for ip, the box items for the choices, and the combinations the
// window's choice lists allow). The first failure's message, or nothing.
std::optional<QString> checkFieldOverrides(const std::vector<FieldOverride>& overrides);

// Merges the overrides into `values`; the choice combinations are checked
// again against what the module had for the fields not given.
std::optional<QString> applyFieldOverrides(const std::vector<FieldOverride>& overrides, ConfigFormValues& values);

}  // namespace quillmar::cli
