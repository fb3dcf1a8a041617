#include "write/field_rules.h"

#include "config/validation_rules.h"
#include "record/field_name_text.h"
#include "record/ip_dot.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"

namespace quillmar {

namespace {

// What the window's "Save to Module" checks: the texts can be carried, and a
// new address can be reached.
class RecordFieldRules final : public FieldRules {
public:
    std::optional<QString> checkValues(std::vector<FieldChange>& changes) const override
    {
        for (const FieldChange& change : changes) {
            RuleMessage message = checkSingleByteText(change.field, change.value);
            if (!message && change.field == DeviceField::IpAddress)
                message = checkNewAddress(change.value);
            if (message)
                return nameOf(change.field) + QStringLiteral(": ") + *message;
        }
        return std::nullopt;
    }

    std::optional<QString> checkAfter(const std::vector<FieldChange>&, const DeviceEntry&) const override
    {
        return std::nullopt;
    }
};

}  // namespace

std::optional<QString> checkNewAddress(const QString& text)
{
    const std::optional<std::uint32_t> address = isSingleByte(text) ? parseIpv4(toSingleByte(text)) : std::nullopt;
    std::string ignored;
    if (!address || *address == 0 || ip2dot(*address, ignored) != 0)
        return QStringLiteral("invalid IP address");
    return std::nullopt;
}

const FieldRules& recordFieldRules()
{
    static const RecordFieldRules rules;
    return rules;
}

}  // namespace quillmar
