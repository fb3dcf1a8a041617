#include "write/wifi_check.h"

#include <QStringList>

#include "write/printable.h"

namespace quillmar {

namespace {

bool is(const std::string& text, const char* word)
{
    return QString::fromLatin1(text.c_str()).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// One way of joining a network, as printers and access points name it.
struct Security {
    enum class Kind { Open, Wep, WpaPsk, Wpa2Psk, Enterprise } kind;
    bool aes = false;  // with WPA: AES (CCMP), else TKIP

    bool operator==(const Security&) const = default;
    QString text() const
    {
        switch (kind) {
        case Kind::Open:
            return QStringLiteral("no security (open)");
        case Kind::Wep:
            return QStringLiteral("WEP");
        case Kind::WpaPsk:
            return aes ? QStringLiteral("WPA-PSK (AES)") : QStringLiteral("WPA-PSK (TKIP)");
        case Kind::Wpa2Psk:
            return aes ? QStringLiteral("WPA2-PSK (AES)") : QStringLiteral("WPA2-PSK (TKIP)");
        case Kind::Enterprise:
            return QStringLiteral("WPA Enterprise (802.1X)");
        }
        return {};
    }
};

Security printerSecurity(const DeviceEntry& record)
{
    const std::string auth = record.text(DeviceField::AuthMode);
    const std::string encryption = record.text(DeviceField::EncryType);
    if (is(encryption, "WEP"))
        return {Security::Kind::Wep};
    if (is(auth, "WPAPSK"))
        return {Security::Kind::WpaPsk, is(encryption, "AES")};
    if (is(auth, "WPA2PSK"))
        return {Security::Kind::Wpa2Psk, is(encryption, "AES")};
    return {Security::Kind::Open};
}

// Every way an access point lets a station join.
std::vector<Security> offered(const SeenAccessPoint& point)
{
    std::vector<Security> ways;
    const auto wpa = [&ways](unsigned flags, Security::Kind kind) {
        if (flags & kApKey8021x)
            ways.push_back({Security::Kind::Enterprise});
        if (!(flags & kApKeyPsk))
            return;
        if (flags & kApPairCcmp)
            ways.push_back({kind, true});
        if (flags & kApPairTkip)
            ways.push_back({kind, false});
    };
    wpa(point.rsnFlags, Security::Kind::Wpa2Psk);
    wpa(point.wpaFlags, Security::Kind::WpaPsk);
    if (ways.empty())
        ways.push_back({(point.flags & kApPrivacy) ? Security::Kind::Wep : Security::Kind::Open});
    return ways;
}

}  // namespace

bool wifiCheckNeeded(const std::vector<FieldChange>& changes, const DeviceEntry& record)
{
    return changesAny(changes, {DeviceField::Ssid, DeviceField::AuthMode, DeviceField::EncryType, DeviceField::Key,
                                DeviceField::WpaPsk})
           && !is(record.text(DeviceField::WifiMode).substr(0, 1), "A");
}

WifiCheck checkWifi(const DeviceEntry& record, const WifiSurvey& survey)
{
    const QString ssid = printable(record.text(DeviceField::Ssid));
    if (is(record.text(DeviceField::WifiMode).substr(0, 1), "A"))
        return {WifiCheck::Outcome::NotChecked,
                QStringLiteral("SSID %1 could not be checked: the printer is in Adhoc mode").arg(ssid)};
    if (!survey.looked)
        return {WifiCheck::Outcome::NotChecked,
                QStringLiteral("SSID %1 could not be checked: %2").arg(ssid, survey.whyNot)};
    const Security wanted = printerSecurity(record);
    QStringList seen;
    QStringList theirs;
    bool found = false;
    for (const SeenAccessPoint& point : survey.accessPoints) {
        const std::string name(point.ssid.constData(), std::size_t(point.ssid.size()));
        if (!seen.contains(printable(name)) && !name.empty())
            seen << printable(name);
        if (name != record.text(DeviceField::Ssid))
            continue;
        found = true;
        for (const Security& way : offered(point)) {
            if (way == wanted)
                return {WifiCheck::Outcome::Seen,
                        QStringLiteral("SSID %1 is seen by this PC's Wi-Fi with %2").arg(ssid, way.text())};
            if (!theirs.contains(way.text()))
                theirs << way.text();
        }
    }
    if (!found) {
        return {WifiCheck::Outcome::NotSeen,
                QStringLiteral("SSID %1 is not seen by this PC's Wi-Fi (seen: %2)")
                    .arg(ssid, seen.isEmpty() ? QStringLiteral("none") : seen.join(QStringLiteral(", ")))};
    }
    return {WifiCheck::Outcome::Mismatch, QStringLiteral("SSID %1 offers %2, not %3 as the printer would join it")
                                              .arg(ssid, theirs.join(QStringLiteral(", ")), wanted.text())};
}

WifiSurvey surveyWith(const WifiSurveyor& surveyor)
{
    return surveyor ? surveyor() : surveyWifi();
}

QString wifiCheckLine(const WifiCheck& check)
{
    return QStringLiteral("Wi-Fi: ") + check.text;
}

}  // namespace quillmar
