// The configuration window's checks, one per field a write may change, and
// the dependent choices the window's lists keep consistent.
#include <QStringList>

#include <algorithm>
#include <array>

#include "config/opened_form_values.h"
#include "config/validation_rules.h"
#include "record/coded_fields.h"
#include "record/field_name_text.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"
#include "record/wifi_choices.h"
#include "write/dependent_fields.h"
#include "write/field_rules.h"
#include "write/printable.h"

namespace quillmar {

namespace {

using Rule = RuleMessage (*)(const QString&);
using Apply = void (*)(ConfigFormValues&, const QString&);

struct WindowField {
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
        .arg(itemList(items).join(QStringLiteral(", ")), printable(value));
}

std::optional<std::uint32_t> addressOf(const QString& text)
{
    return isSingleByte(text) ? parseIpv4(toSingleByte(text)) : std::nullopt;
}

const std::vector<WindowField>& windowFields()
{
    static const std::vector<WindowField> fields{
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

const WindowField* windowField(DeviceField field)
{
    const auto& fields = windowFields();
    const auto found = std::find_if(fields.begin(), fields.end(),
                                    [field](const WindowField& f) { return f.field == field; });
    return found == fields.end() ? nullptr : &*found;
}

class WindowFieldRules final : public FieldRules {
public:
    std::optional<QString> checkValues(std::vector<FieldChange>& changes) const override
    {
        for (const FieldChange& change : changes) {
            RuleMessage message = checkSingleByteText(change.field, change.value);
            const WindowField* rule = windowField(change.field);
            try {
                if (!message && rule)
                    message = rule->check(change.value);
            } catch (const ConversionError& error) {
                message = QString::fromLatin1(error.what());
            }
            if (message)
                return nameOf(change.field) + QStringLiteral(": ") + *message;
        }
        return std::nullopt;
    }

    std::optional<QString> checkAfter(const std::vector<FieldChange>& changes, const DeviceEntry& read) const override
    {
        // The choices as the window would show them for the record, with the changes.
        ConfigFormValues v = formValuesFromRecord(read, parseIpv4(read.text(DeviceField::IpAddress)).value_or(0));
        for (const FieldChange& change : changes) {
            if (const WindowField* rule = windowField(change.field))
                rule->apply(v, change.value);
        }
        WifiChoicesAfter after{v.wifiMode, v.authMode, v.encryType,
                               toItems(authModeItemsFor(int(itemList(kWifiModeItems).indexOf(v.wifiMode)))),
                               std::nullopt};
        if (const auto encrys = encryTypeItemsFor(toSingleByte(v.authMode)))
            after.encryTypesOffered = toItems(*encrys);
        if (std::optional<QString> refused = checkDependentFields(changes, after,
                                                                  {QStringLiteral("sent"), QStringLiteral("module")}))
            return refused;
        // The key that goes out with a new encryption is the module's own when
        // not given: it must pass its box's rule as well.
        if (changeOf(changes, DeviceField::EncryType)) {
            const bool wep = v.encryType == QLatin1String("WEP");
            const DeviceField sent = wep ? DeviceField::Key : DeviceField::WpaPsk;
            if (RuleMessage message = windowField(sent)->check(wep ? v.key : v.wpaPsk))
                return nameOf(sent) + QStringLiteral(": ") + *message;
        }
        return std::nullopt;
    }
};

}  // namespace

const FieldRules& windowFieldRules()
{
    static const WindowFieldRules rules;
    return rules;
}

QString windowFieldHelp()
{
    QString text;
    for (const WindowField& field : windowFields())
        text += QStringLiteral("  %1  %2\n").arg(nameOf(field.field), -10).arg(QString::fromLatin1(field.help));
    text += QStringLiteral("Names are taken in any case. modelName and macAddress are the module's own and\n"
                           "are not changed.\n");
    return text;
}

}  // namespace quillmar
