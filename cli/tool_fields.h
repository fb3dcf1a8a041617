#pragma once
// The fields `com write` and `usb write` change, by the settings tools' rules:
// a value is taken as the tool's box or choice would take it (no longer than
// the box, one of the radio group's items in any case), and the record that is
// written is the printer's own with only the given fields changed, placed as
// the tools' save places them. The fields the tools show read-only are not
// changed.
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "record/device_entry.h"
#include "settable_fields.h"

namespace quillmar::cli {

// "name  what it takes" lines for --help.
QString toolFieldHelp();

// parseFieldChanges for the verb named `verb`.
std::optional<std::vector<FieldChange>> parseToolFieldChanges(const QStringList& words, const QString& verb,
                                                              QString& error);

// Each value on its own; a choice becomes the tool's item text ("aes" is
// "AES"). The first failure as "field: message".
std::optional<QString> checkToolFieldChanges(std::vector<FieldChange>& changes);

// The record to write: `reported` with the changes. Nothing, with `error` set,
// when the changes do not fit the printer's other settings (an authentication
// mode its Wi-Fi mode does not offer, a key its encryption does not send).
std::optional<DeviceEntry> toolRecordWithChanges(const DeviceEntry& reported, const std::vector<FieldChange>& changes,
                                                 QString& error);

}  // namespace quillmar::cli
