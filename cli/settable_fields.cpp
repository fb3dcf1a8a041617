#include "settable_fields.h"

#include <algorithm>

#include "config/opened_form_values.h"
#include "config/save_records.h"
#include "config/validation_rules.h"
#include "dependent_fields.h"
#include "field_name_text.h"
#include "record/coded_fields.h"
#include "record/field_names.h"
#include "record/ip_dot.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"
#include "record/wifi_choices.h"
#include "terminal_text.h"

namespace quillmar::cli {

namespace {

using Rule = RuleMessage (*)(const QString&);
using Apply = void (*)(ConfigFormValues&, const QString&);

struct SettableField {
    DeviceField field;
    const char* help;
    Rule check;
    Apply apply;
};

template <std::size_t N> QStringList itemList(const std::array<const char*, N>& items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromLatin1(item);
    return list;
}

QStringList toItems(const std::vector<std::string>& words)
{
    QStringList items;
    for (const std::string& word : words)
        items << fromSingleByte(word);
    return items;
}

template <std::size_t N> RuleMessage oneOf(const std::array<const char*, N>& items, const QString& value)
{
    if (itemList(items).contains(value))
        return std::nullopt;
    return QStringLiteral("must be one of %1, not '%2'")
        .arg(itemList(items).join(QStringLiteral(", ")), terminalText(value));
}

std::optional<std::uint32_t> addressOf(const QString& text)
{
    return isSingleByte(text) ? parseIpv4(toSingleByte(text)) : std::nullopt;
}

// The module's new address: four numbers, neither 0.0.0.0 nor one with a 255,
// as the address box takes it.
RuleMessage checkNewAddress(const QString& text)
{
    const std::optional<std::uint32_t> address = addressOf(text);
    std::string ignored;
    if (!address || *address == 0 || ip2dot(*address, ignored) != 0)
        return QStringLiteral("invalid IP address");
    return std::nullopt;
}

const std::vector<SettableField>& settableFields()
{
    static const std::vector<SettableField> fields{
        {DeviceField::DeviceName, "device name, 1-16 characters", checkSerialNumber,
         [](ConfigFormValues& v, const QString& t) { v.deviceName = t; }},
        {DeviceField::IpAddress, "the module's new address A.B.C.D, not 0.0.0.0 and without a 255 (short: ip)",
         checkNewAddress,
         [](ConfigFormValues& v, const QString& t) { v.addressControlValue = addressOf(t).value_or(0); }},
        {DeviceField::TcpPort, "TCP port, 1-65535", checkTcpPort,
         [](ConfigFormValues& v, const QString& t) { v.tcpPort = t; }},
        {DeviceField::UdpPort, "UDP port, 1-65535", checkUdpPort,
         [](ConfigFormValues& v, const QString& t) { v.udpPort = t; }},
        {DeviceField::IpMode, "STATIC or DHCP", [](const QString& t) { return oneOf(kIpModeItems, t); },
         [](ConfigFormValues& v, const QString& t) {
             v.ipMode = t;
             v.ipModeIndex = int(itemList(kIpModeItems).indexOf(t));
         }},
        {DeviceField::WifiMode, "Infra or Adhoc", [](const QString& t) { return oneOf(kWifiModeItems, t); },
         [](ConfigFormValues& v, const QString& t) { v.wifiMode = t; }},
        {DeviceField::AuthMode, "OPEN, SHARED, WEPAUTO, WPAPSK, WPA2PSK (with Infra) or WPANONE (with Adhoc)",
         [](const QString& t) { return oneOf(kAuthModeItems, t); },
         [](ConfigFormValues& v, const QString& t) { v.authMode = t; }},
        {DeviceField::EncryType, "NONE or WEP (with OPEN), WEP (SHARED, WEPAUTO), TKIP or AES (the WPA modes)",
         [](const QString& t) { return oneOf(kEncryTypeItems, t); },
         [](ConfigFormValues& v, const QString& t) { v.encryType = t; }},
        {DeviceField::Ssid, "network name, 1-34 letters and digits", checkSsid,
         [](ConfigFormValues& v, const QString& t) { v.ssid = t; }},
        {DeviceField::Key, "WEP key, up to 28 characters; sent only with encryType WEP", checkKey,
         [](ConfigFormValues& v, const QString& t) { v.key = t; }},
        {DeviceField::WpaPsk, "WPA key, up to 72 characters; sent unless encryType is WEP", checkWpaPsk,
         [](ConfigFormValues& v, const QString& t) { v.wpaPsk = t; }},
    };
    return fields;
}

const SettableField& settable(DeviceField field)
{
    const auto& fields = settableFields();
    return *std::find_if(fields.begin(), fields.end(), [field](const SettableField& f) { return f.field == field; });
}

}  // namespace

std::optional<DeviceField> fieldOfName(const QString& name)
{
    if (name.compare(QLatin1String("ip"), Qt::CaseInsensitive) == 0)
        return DeviceField::IpAddress;
    for (const FieldLayout& layout : deviceFieldLayout()) {
        if (name.compare(nameOf(layout.field), Qt::CaseInsensitive) == 0)
            return layout.field;
    }
    return std::nullopt;
}

QString settableFieldHelp()
{
    QString text;
    for (const SettableField& field : settableFields())
        text += QStringLiteral("  %1  %2\n").arg(nameOf(field.field), -10).arg(QString::fromLatin1(field.help));
    text += QStringLiteral("Names are taken in any case. modelName and macAddress are the module's own and\n"
                           "are not changed.\n");
    return text;
}

std::optional<std::vector<FieldChange>> parseFieldChanges(const QStringList& words, QString& error,
                                                          const FieldChangeVerb& verb)
{
    std::vector<FieldChange> parsed;
    for (const QString& word : words) {
        const qsizetype equals = word.indexOf(u'=');
        if (equals <= 0) {
            error = QStringLiteral("'%1' is not name=value").arg(terminalText(word));
            return std::nullopt;
        }
        const QString name = word.left(equals);
        const std::optional<DeviceField> field = fieldOfName(name);
        if (!field) {
            error = QStringLiteral("unknown field '%1' (%2 --help lists them)").arg(terminalText(name), verb.name);
            return std::nullopt;
        }
        if (std::find(verb.fixed.begin(), verb.fixed.end(), *field) != verb.fixed.end()) {
            error = nameOf(*field) + u' ' + verb.whyFixed;
            return std::nullopt;
        }
        if (changeOf(parsed, *field)) {
            error = QStringLiteral("%1 is given twice").arg(nameOf(*field));
            return std::nullopt;
        }
        parsed.push_back({*field, word.mid(equals + 1)});
    }
    return parsed;
}

bool carriesWifiKey(const std::vector<FieldChange>& changes)
{
    return std::any_of(changes.begin(), changes.end(), [](const FieldChange& change) {
        return (change.field == DeviceField::Key || change.field == DeviceField::WpaPsk) && !change.value.isEmpty();
    });
}

std::optional<QString> checkFieldChanges(const std::vector<FieldChange>& changes)
{
    for (const FieldChange& change : changes) {
        RuleMessage message = checkSingleByteText(change.field, change.value);
        try {
            if (!message)
                message = settable(change.field).check(change.value);
        } catch (const ConversionError& error) {
            message = QString::fromLatin1(error.what());
        }
        if (message)
            return nameOf(change.field) + QStringLiteral(": ") + *message;
    }
    return std::nullopt;
}

void applyFieldChanges(const std::vector<FieldChange>& changes, ConfigFormValues& values)
{
    for (const FieldChange& change : changes)
        settable(change.field).apply(values, change.value);
}

std::optional<QString> checkDependentFields(const std::vector<FieldChange>& given, const ConfigFormValues& v)
{
    WifiChoicesAfter after{v.wifiMode, v.authMode, v.encryType,
                           toItems(authModeItemsFor(int(itemList(kWifiModeItems).indexOf(v.wifiMode)))), std::nullopt};
    if (const auto encrys = encryTypeItemsFor(toSingleByte(v.authMode)))
        after.encryTypesOffered = toItems(*encrys);
    if (std::optional<QString> refused = checkDependentFields(given, after,
                                                              {QStringLiteral("sent"), QStringLiteral("module")}))
        return refused;
    const bool wep = v.encryType == QLatin1String("WEP");
    // The key that goes out with the new encryption is the module's own when
    // not given: it must pass its box's rule as well.
    if (changeOf(given, DeviceField::EncryType)) {
        const DeviceField sent = wep ? DeviceField::Key : DeviceField::WpaPsk;
        if (RuleMessage message = settable(sent).check(wep ? v.key : v.wpaPsk))
            return nameOf(sent) + QStringLiteral(": ") + *message;
    }
    return std::nullopt;
}

std::optional<DeviceEntry> saveRecordWithChanges(const DeviceEntry& record, std::uint32_t address,
                                                 const std::vector<FieldChange>& changes, QString& message)
{
    ConfigFormValues values = formValuesFromRecord(record, address);
    applyFieldChanges(changes, values);
    std::optional<QString> broken = checkDependentFields(changes, values);
    if (!broken)
        broken = checkSingleByteTexts(values);
    // A module at an address with a 255 in it would be saved unreachable, as
    // the window refuses to do.
    if (!broken && !isReachableModuleAddress(values.addressControlValue))
        broken = QStringLiteral("ipAddress %1: invalid IP address").arg(QString::fromStdString(formatIpv4(address)));
    if (broken) {
        message = *broken;
        return std::nullopt;
    }
    ConfigBlock block = configBlockFromRecord(record, address);
    return buildUdpSaveRecord(values, block);
}

}  // namespace quillmar::cli
