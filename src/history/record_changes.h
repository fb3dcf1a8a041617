#pragma once
// What a write changes in a module's record, field by field: what the audit
// log keeps and what a dry run shows. A Wi-Fi key is never written out in
// clear unless the user asked for it: it is shown as "sha256:" and the first
// twelve hexadecimal digits of its hash, enough to tell two keys apart.
#include <QString>

#include <string_view>
#include <vector>

#include "record/device_entry.h"

namespace quillmar {

struct ChangedField {
    DeviceField field;
    QString from;
    QString to;
};

// Whether the field carries a Wi-Fi key.
bool isKeyField(DeviceField field);

// "sha256:" and the first 12 hex digits of the text's SHA-256; an empty key
// stays empty, so that "no key" still reads as such.
QString maskedKey(std::string_view key);

// A field's text as the log and the dry run show it, Latin-1 read.
QString shownText(DeviceField field, std::string_view text, bool showSecrets);

// The fields whose text differs, in record order.
std::vector<ChangedField> recordChanges(const DeviceEntry& before, const DeviceEntry& after, bool showSecrets = false);

}  // namespace quillmar
