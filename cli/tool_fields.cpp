#include "tool_fields.h"

#include <algorithm>

#include "dependent_fields.h"
#include "field_name_text.h"
#include "record/coded_fields.h"
#include "record/field_names.h"
#include "record/ip_dot.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"
#include "terminal_text.h"
#include "tools/settings_tool_rules.h"
#include "tools/tool_record.h"

namespace quillmar::cli {

namespace {

const char kWep[] = "WEP";

qsizetype widthOf(DeviceField field)
{
    const auto& layout = deviceFieldLayout();
    return qsizetype(
        std::find_if(layout.begin(), layout.end(), [field](const FieldLayout& f) { return f.field == field; })->width);
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
    case DeviceField::DeviceName:
        texts.deviceName = change.value;
        break;
    case DeviceField::IpAddress:
        texts.addressValue = addressOf(change.value).value_or(0);
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
    default:
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
    if (change.field == DeviceField::IpAddress) {
        const std::optional<std::uint32_t> address = addressOf(change.value);
        std::string ignored;
        if (!address || *address == 0 || ip2dot(*address, ignored) != 0)
            return QStringLiteral("invalid IP address");
        return std::nullopt;
    }
    const QStringList items = choicesOf(change.field);
    if (!items.isEmpty()) {
        if (toolItemMatching(items, change.value) < 0)
            return QStringLiteral("must be one of %1, not '%2'")
                .arg(items.join(QStringLiteral(", ")), terminalText(change.value));
        change.value = itemOr(items, change.value);
        return std::nullopt;
    }
    // The tools cut a longer text to the field; here it is refused, so that
    // nothing is written other than what was given.
    if (change.value.size() > widthOf(change.field))
        return QStringLiteral("at most %1 characters").arg(widthOf(change.field));
    return std::nullopt;
}

}  // namespace

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

std::optional<std::vector<FieldChange>> parseToolFieldChanges(const QStringList& words, const QString& verb,
                                                              QString& error)
{
    FieldChangeVerb scope;
    scope.name = verb;
    scope.fixed = {DeviceField::ModelName, DeviceField::MacAddress, DeviceField::TcpPort, DeviceField::UdpPort};
    scope.whyFixed = QStringLiteral("is shown read-only by the settings tools and is not changed by ") + verb;
    return parseFieldChanges(words, error, scope);
}

std::optional<QString> checkToolFieldChanges(std::vector<FieldChange>& changes)
{
    for (FieldChange& change : changes) {
        if (const std::optional<QString> message = checkValue(change))
            return nameOf(change.field) + QStringLiteral(": ") + *message;
    }
    return std::nullopt;
}

std::optional<DeviceEntry> toolRecordWithChanges(const DeviceEntry& reported, const std::vector<FieldChange>& changes,
                                                 QString& error)
{
    ToolBoxTexts texts = toolTextsFromRecord(reported);
    for (const FieldChange& change : changes)
        place(texts, change);

    const WifiChoicesAfter after{texts.wifiMode,
                                 texts.authMode,
                                 texts.encryType,
                                 toolAuthItemsFor(itemOr(choicesOf(DeviceField::WifiMode), texts.wifiMode)),
                                 toolEncryItemsFor(itemOr(choicesOf(DeviceField::AuthMode), texts.authMode)),
                                 Qt::CaseInsensitive};
    if (std::optional<QString> refused = checkDependentFields(changes, after,
                                                              {QStringLiteral("written"), QStringLiteral("printer")})) {
        error = *refused;
        return std::nullopt;
    }
    if (const std::optional<QString> refused = checkToolTexts(texts)) {
        error = *refused;
        return std::nullopt;
    }

    // Only the given fields take the save's bytes; the others go back as the
    // printer reported them.
    std::vector<DeviceField> changed;
    for (const FieldChange& change : changes)
        changed.push_back(change.field);
    return recordWithToolChanges(reported, texts, changed);
}

}  // namespace quillmar::cli
