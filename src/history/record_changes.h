#pragma once
// What a write changes in a module's record, field by field: what the audit
// log keeps and what a dry run shows. A Wi-Fi key is never written out in
// clear unless the user asked for it: it is shown as "hmac:" and the first
// twelve hexadecimal digits of its HMAC-SHA-256 under this user's mask key
// (history/mask_key.h), enough to tell two keys apart on this PC and of no
// use to anyone trying keys without the mask key.
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

// The key's mask under the user's mask key; an empty key stays empty, so that
// "no key" still reads as such. Without a mask key (no state directory, a
// file that is not one) every key is "********": nothing that could be
// reversed is ever shown in its place.
QString maskedKey(std::string_view key);

inline constexpr char kUnkeyedMask[] = "********";

// A cell or text that is a key's mask rather than a key: "hmac:" and 12
// lowercase hexadecimal digits, "sha256:" and 12 (as masks were written
// before they were keyed), or the mask of a PC without a mask key.
bool isKeyMask(const QString& text);

// A field's text as the log and the dry run show it, Latin-1 read.
QString shownText(DeviceField field, std::string_view text, bool showSecrets);

// The fields whose text differs, in record order.
std::vector<ChangedField> recordChanges(const DeviceEntry& before, const DeviceEntry& after, bool showSecrets = false);

}  // namespace quillmar
