#pragma once
// The rules a write checks the fields it changes with. Each path keeps the
// rules its window has: the configuration window's checks (which config set
// and config apply run too), the settings tools' boxes and choices (com and
// usb write too), or, for the window's "Save to Module", which checks nothing
// beyond the address, only what the record can carry. Whatever the rules,
// every text must also fit its field: the plan refuses what would be cut
// (write/write_plan.h).
#include <QString>

#include <optional>
#include <vector>

#include "record/device_entry.h"
#include "write/field_change.h"

namespace quillmar {

class FieldRules {
public:
    virtual ~FieldRules() = default;
    // Each value on its own, as its box or choice takes it, before anything
    // is read: the first failure as "field: message". A choice may be given
    // as the path's item in another case; it is rewritten to the item.
    virtual std::optional<QString> checkValues(std::vector<FieldChange>& changes) const = 0;
    // Once the changes are on `read`, the record as read: what the changed
    // fields constrain (the choices a Wi-Fi mode or an authentication mode
    // offers, the key an encryption sends). Only what the changes touch is
    // checked: the printer's other settings go back as they are.
    virtual std::optional<QString> checkAfter(const std::vector<FieldChange>& changes,
                                              const DeviceEntry& read) const = 0;
};

// The configuration window's checks of its boxes.
const FieldRules& windowFieldRules();
// The settings tools' boxes (no longer than the box) and radio groups (their
// items, in any case).
const FieldRules& toolFieldRules();
// Only what the record can carry: single-byte texts, and an address the
// module can be reached at.
const FieldRules& recordFieldRules();

// The module's new address: four numbers, neither 0.0.0.0 nor one with a 255,
// as the address boxes take it ("invalid IP address").
std::optional<QString> checkNewAddress(const QString& text);

// "name  what it takes" lines for --help, one per field the window's rules
// change, and for the tools' rules.
QString windowFieldHelp();
QString toolFieldHelp();

}  // namespace quillmar
