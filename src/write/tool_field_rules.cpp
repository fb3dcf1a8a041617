// The settings tools' rules: a value is taken as the tool's box or radio group
// would take it, and the groups keep the dependent choices consistent.
#include <QStringList>

#include <algorithm>
#include <array>

#include "record/coded_fields.h"
#include "record/field_name_text.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"
#include "tools/settings_tool_rules.h"
#include "tools/tool_record.h"
#include "write/dependent_fields.h"
#include "write/field_rules.h"
#include "write/printable.h"

namespace quillmar {

namespace {

const char kWep[] = "WEP";

qsizetype widthOf(DeviceField field)
{
    return qsizetype(layoutOf(field).width);
}

template <std::size_t N> QStringList itemsOf(const std::array<const char*, N>& items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromLatin1(item);
    return list;
}

// The items of the radio group that sets `field`, every one it can offer.
QStringList choicesOf(DeviceField field)
{
    switch (field) {
    case DeviceField::IpMode:
        return itemsOf(kIpModeItems);
    case DeviceField::WifiMode:
        return itemsOf(kWifiModeItems);
    case DeviceField::AuthMode:
        return itemsOf(kAuthModeItems);
    case DeviceField::EncryType:
        return itemsOf(kEncryTypeItems);
    default:
        return {};
    }
}

// The item `text` selects (ignoring case, as a read selects it), or `text`.
QString itemOr(const QStringList& items, const QString& text)
{
    const int index = toolItemMatching(items, text);
    return index < 0 ? text : items[index];
}

std::optional<std::uint32_t> addressOf(const QString& text)
{
    return isSingleByte(text) ? parseIpv4(toSingleByte(text)) : std::nullopt;
}

// Puts a value where the tool's box for it holds it.
void place(ToolBoxTexts& texts, const FieldChange& change)
{
    switch (change.field) {
    case DeviceField::ModelName:
        texts.modelName = change.value;
        break;
    case DeviceField::DeviceName:
        texts.deviceName = change.value;
        break;
    case DeviceField::MacAddress:
        texts.macAddress = change.value;
        break;
    case DeviceField::IpAddress:
        texts.addressValue = addressOf(change.value).value_or(0);
        break;
    case DeviceField::TcpPort:
        texts.tcpPort = change.value;
        break;
    case DeviceField::UdpPort:
        texts.udpPort = change.value;
        break;
    case DeviceField::IpMode:
        texts.ipMode = change.value;
        break;
    case DeviceField::WifiMode:
        texts.wifiMode = change.value;
        break;
    case DeviceField::AuthMode:
        texts.authMode = change.value;
        break;
    case DeviceField::EncryType:
        texts.encryType = change.value;
        break;
    case DeviceField::Ssid:
        texts.ssid = change.value;
        break;
    case DeviceField::Key:
        texts.wepKey = change.value;
        break;
    case DeviceField::WpaPsk:
        texts.wpaPsk = change.value;
        break;
    }
}

// One value by its box: what the record can carry, then the box's width or the
// group's items.
std::optional<QString> checkValue(FieldChange& change)
{
    ToolBoxTexts alone;
    place(alone, change);
    if (change.field == DeviceField::Key)
        alone.encryType = QLatin1String(kWep);  // so that the WEP key is the one looked at
    if (std::optional<QString> refused = checkToolTexts(alone))
        return refused;
    if (change.field == DeviceField::IpAddress)
        return checkNewAddress(change.value);
    const QStringList items = choicesOf(change.field);
    if (!items.isEmpty()) {
        if (toolItemMatching(items, change.value) < 0)
            return QStringLiteral("must be one of %1, not '%2'")
                .arg(items.join(QStringLiteral(", ")), printable(change.value));
        change.value = itemOr(items, change.value);
        return std::nullopt;
    }
    if (change.value.size() > widthOf(change.field))
        return QStringLiteral("at most %1 characters").arg(widthOf(change.field));
    return std::nullopt;
}

class ToolFieldRules final : public FieldRules {
public:
    std::optional<QString> checkValues(std::vector<FieldChange>& changes) const override
    {
        for (FieldChange& change : changes) {
            if (const std::optional<QString> message = checkValue(change))
                return nameOf(change.field) + QStringLiteral(": ") + *message;
        }
        return std::nullopt;
    }

    std::optional<QString> checkAfter(const std::vector<FieldChange>& changes, const DeviceEntry& read) const override
    {
        ToolBoxTexts texts = toolTextsFromRecord(read);
        for (const FieldChange& change : changes)
            place(texts, change);
        const WifiChoicesAfter after{texts.wifiMode,
                                     texts.authMode,
                                     texts.encryType,
                                     toolAuthItemsFor(itemOr(choicesOf(DeviceField::WifiMode), texts.wifiMode)),
                                     toolEncryItemsFor(itemOr(choicesOf(DeviceField::AuthMode), texts.authMode)),
                                     Qt::CaseInsensitive};
        return checkDependentFields(changes, after, {QStringLiteral("written"), QStringLiteral("printer")});
    }
};

}  // namespace

const FieldRules& toolFieldRules()
{
    static const ToolFieldRules rules;
    return rules;
}

QString toolFieldHelp()
{
    return QStringLiteral("  deviceName  device name, up to 16 characters\n"
                          "  ipAddress   the printer's new address A.B.C.D, not 0.0.0.0 and without a 255\n"
                          "              (short: ip)\n"
                          "  ipMode      STATIC or DHCP\n"
                          "  wifiMode    Infra or Adhoc\n"
                          "  authMode    OPEN, SHARED, WEPAUTO, WPAPSK, WPA2PSK (with Infra) or WPANONE\n"
                          "              (with Adhoc)\n"
                          "  encryType   NONE or WEP (with OPEN), WEP (SHARED, WEPAUTO), TKIP or AES (the\n"
                          "              WPA modes)\n"
                          "  ssid        network name, up to 34 characters\n"
                          "  key         WEP key, up to 28 characters; written only with encryType WEP\n"
                          "  wpaPsk      WPA key, up to 72 characters; written unless encryType is WEP\n"
                          "Names and choices are taken in any case. modelName, macAddress, tcpPort and\n"
                          "udpPort are shown read-only by the settings tools and are not changed.\n");
}

}  // namespace quillmar
