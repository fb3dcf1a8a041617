#include "config_field_overrides.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "config/single_byte_text.h"
#include "config/validation_rules.h"
#include "config/record_rules.h"
#include "record/coded_fields.h"
#include "record/ip_dot.h"
#include "record/ipv4_text.h"
#include "record/number_text.h"

namespace quillmar::cli {

namespace {

using Rule = RuleMessage (*)(const QString&);
using Apply = void (*)(ConfigFormValues&, const QString&);

struct SettableField {
    const char* name;
    const char* help;
    Rule check;
    Apply apply;
};

template <std::size_t N>
QStringList itemList(const std::array<const char*, N>& items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromLatin1(item);
    return list;
}

RuleMessage oneOf(const QString& field, const QStringList& items, const QString& value)
{
    if (items.contains(value))
        return std::nullopt;
    return field + QStringLiteral(" must be one of ") + items.join(QStringLiteral(", ")) + QStringLiteral(", not '")
         + value + u'\'';
}

// The new module address: four numbers, neither 0.0.0.0 nor one with a 255
// (the address box's rule).
RuleMessage checkNewAddress(const QString& text)
{
    const auto address = parseIpv4(toSingleByte(text));
    std::string ignored;
    if (!address || *address == 0 || ip2dot(*address, ignored) != 0)
        return QStringLiteral("invalid IP address");
    return std::nullopt;
}

const std::vector<SettableField>& settableFields()
{
    static const std::vector<SettableField> fields{
        {"ssid", "SSID (1-34 letters and digits)", checkSsid, [](ConfigFormValues& v, const QString& t) { v.ssid = t; }},
        {"key", "WEP key (up to 28 characters; sent with encryption WEP only)", checkKey,
         [](ConfigFormValues& v, const QString& t) { v.key = t; }},
        {"wpapsk", "WPA key (up to 72 characters; sent unless the encryption is WEP)", checkWpaPsk,
         [](ConfigFormValues& v, const QString& t) { v.wpaPsk = t; }},
        {"devicename", "device name (1-16 characters)", checkSerialNumber,
         [](ConfigFormValues& v, const QString& t) { v.deviceName = t; }},
        {"ip", "new module address A.B.C.D (no 0.0.0.0, no 255)", checkNewAddress,
         [](ConfigFormValues& v, const QString& t) { v.addressControlValue = *parseIpv4(toSingleByte(t)); }},
        {"tcpport", "TCP port (1-65535)", checkTcpPort, [](ConfigFormValues& v, const QString& t) { v.tcpPort = t; }},
        {"udpport", "UDP port (1-65535)", checkUdpPort, [](ConfigFormValues& v, const QString& t) { v.udpPort = t; }},
        {"ipmode", "STATIC or DHCP",
         [](const QString& t) { return oneOf(QStringLiteral("ipmode"), itemList(kIpModeItems), t); },
         [](ConfigFormValues& v, const QString& t) {
             v.ipMode = t;
             v.ipModeIndex = int(itemList(kIpModeItems).indexOf(t));
         }},
        {"wifimode", "Infra or Adhoc",
         [](const QString& t) { return oneOf(QStringLiteral("wifimode"), itemList(kWifiModeItems), t); },
         [](ConfigFormValues& v, const QString& t) { v.wifiMode = t; }},
        {"authmode", "OPEN, SHARED, WEPAUTO, WPAPSK, WPA2PSK (Infra) or WPANONE (Adhoc)",
         [](const QString& t) { return oneOf(QStringLiteral("authmode"), itemList(kAuthModeItems), t); },
         [](ConfigFormValues& v, const QString& t) { v.authMode = t; }},
        {"encrytype", "NONE or WEP (OPEN), WEP (SHARED, WEPAUTO), TKIP or AES (WPA modes)",
         [](const QString& t) { return oneOf(QStringLiteral("encrytype"), itemList(kEncryTypeItems), t); },
         [](ConfigFormValues& v, const QString& t) { v.encryType = t; }},
    };
    return fields;
}

const SettableField* findField(const std::string& name)
{
    for (const SettableField& field : settableFields()) {
        if (name == field.name)
            return &field;
    }
    return nullptr;
}

QStringList toItems(const std::vector<std::string>& words)
{
    QStringList items;
    for (const std::string& word : words)
        items << fromSingleByte(word);
    return items;
}

// The choice lists of the window: the Wi-Fi mode offers the authentication
// modes, the authentication mode the encryption modes.
std::optional<QString> checkChoiceCombination(const ConfigFormValues& v)
{
    const int wifiIndex = int(itemList(kWifiModeItems).indexOf(v.wifiMode));
    const QStringList auths = toItems(authModeItemsFor(wifiIndex));
    if (!auths.contains(v.authMode)) {
        return QStringLiteral("authmode %1 is not offered with wifimode %2 (%3)")
            .arg(v.authMode, v.wifiMode, auths.join(QStringLiteral(", ")));
    }
    if (const auto encrys = encryTypeItemsFor(toSingleByte(v.authMode))) {
        const QStringList items = toItems(*encrys);
        if (!items.contains(v.encryType)) {
            return QStringLiteral("encrytype %1 is not offered with authmode %2 (%3)")
                .arg(v.encryType, v.authMode, items.join(QStringLiteral(", ")));
        }
    }
    return std::nullopt;
}

bool touchesChoices(const std::vector<FieldOverride>& overrides)
{
    return std::any_of(overrides.begin(), overrides.end(), [](const FieldOverride& o) {
        return o.field == "wifimode" || o.field == "authmode" || o.field == "encrytype";
    });
}

}  // namespace

QStringList settableFieldHelp()
{
    QStringList lines;
    for (const SettableField& field : settableFields())
        lines << QStringLiteral("%1  %2").arg(QString::fromLatin1(field.name), -10).arg(QString::fromLatin1(field.help));
    return lines;
}

std::optional<std::vector<FieldOverride>> parseFieldOverrides(const std::vector<std::string>& words, std::string& error)
{
    std::vector<FieldOverride> overrides;
    std::set<std::string> seen;
    for (const std::string& word : words) {
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos || equals == 0) {
            error = "'" + word + "' is not field=value";
            return std::nullopt;
        }
        std::string name = word.substr(0, equals);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (!findField(name)) {
            error = "unknown field '" + word.substr(0, equals) + "' (see --help)";
            return std::nullopt;
        }
        if (!seen.insert(name).second) {
            error = "field '" + name + "' is given twice";
            return std::nullopt;
        }
        overrides.push_back({name, QString::fromLocal8Bit(word.substr(equals + 1))});
    }
    return overrides;
}

std::optional<QString> checkFieldOverrides(const std::vector<FieldOverride>& overrides)
{
    for (const FieldOverride& o : overrides) {
        try {
            if (RuleMessage message = findField(o.field)->check(o.value))
                return message;
        } catch (const ConversionError& error) {
            return QString::fromLatin1(error.what());
        }
    }
    return std::nullopt;
}

std::optional<QString> applyFieldOverrides(const std::vector<FieldOverride>& overrides, ConfigFormValues& values)
{
    for (const FieldOverride& o : overrides)
        findField(o.field)->apply(values, o.value);
    if (touchesChoices(overrides))
        return checkChoiceCombination(values);
    return std::nullopt;
}

}  // namespace quillmar::cli
