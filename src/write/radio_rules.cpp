#include "write/radio_rules.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace quillmar {

namespace {

bool allHex(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

bool allPrintable(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

bool equalsIgnoringCase(const std::string& text, const char* word)
{
    return QString::fromLatin1(text.c_str()).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

std::optional<QString> wpaProblem(const std::string& key)
{
    if ((key.size() >= 8 && key.size() <= 63 && allPrintable(key)) || (key.size() == 64 && allHex(key)))
        return std::nullopt;
    return QStringLiteral("wpaPsk: a WPA passphrase is 8 to 63 printable ASCII characters or 64 hexadecimal digits "
                          "(this one has %1 characters)")
        .arg(key.size());
}

std::optional<QString> wepProblem(const std::string& key)
{
    const std::size_t n = key.size();
    if (((n == 5 || n == 13) && allPrintable(key)) || ((n == 10 || n == 26) && allHex(key)))
        return std::nullopt;
    return QStringLiteral("key: a WEP key is 5 or 13 characters or 10 or 26 hexadecimal digits (this one has %1)")
        .arg(n);
}

}  // namespace

std::optional<QString> radioRuleProblem(const std::vector<FieldChange>& changes, const DeviceEntry& record)
{
    if (changeOf(changes, DeviceField::Ssid)) {
        const std::size_t bytes = record.text(DeviceField::Ssid).size();
        if (bytes < 1 || bytes > 32)
            return QStringLiteral("ssid: a Wi-Fi network name is 1 to 32 bytes (this one has %1)").arg(bytes);
    }
    if (!changesAny(changes, {DeviceField::EncryType, DeviceField::AuthMode, DeviceField::Key, DeviceField::WpaPsk}))
        return std::nullopt;
    const std::string encryption = record.text(DeviceField::EncryType);
    if (equalsIgnoringCase(encryption, "WEP"))
        return wepProblem(record.text(DeviceField::Key));
    if (equalsIgnoringCase(encryption, "TKIP") || equalsIgnoringCase(encryption, "AES"))
        return wpaProblem(record.text(DeviceField::WpaPsk));
    return std::nullopt;
}

}  // namespace quillmar
