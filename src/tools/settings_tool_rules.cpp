#include "tools/settings_tool_rules.h"

#include "platform/settings_file.h"
#include "record/wifi_choices.h"

namespace quillmar {
namespace {

QStringList toQStringList(const std::vector<std::string>& words)
{
    QStringList items;
    for (const std::string& word : words)
        items << QString::fromStdString(word);
    return items;
}

std::optional<int> firstDigit(const QString& path, char lowest, char highest)
{
    const std::optional<QByteArray> bytes = readSettingsFile(path, 1);
    if (!bytes || bytes->isEmpty())
        return std::nullopt;
    const char first = bytes->front();
    if (first < lowest || first > highest)
        return std::nullopt;
    return first - '0';
}

}  // namespace

SettingsToolState& settingsToolState()
{
    static SettingsToolState state;
    return state;
}

QStringList toolComPortItems()
{
    QStringList items;
    for (int port = 1; port <= kToolComPortCount; ++port)
        items << QStringLiteral("COM%1").arg(port);
    return items;
}

QStringList toolBaudItems()
{
    QStringList items;
    for (const char* rate : kToolBaudItems)
        items << QString::fromLatin1(rate);
    return items;
}

std::optional<int> readComPortFile(const QString& path)
{
    return firstDigit(path, '1', char('0' + kToolComPortCount));
}

std::optional<int> readBaudIndexFile(const QString& path)
{
    return firstDigit(path, '0', char('0' + int(kToolBaudItems.size()) - 1));
}

bool writeToolNumberFile(const QString& path, int number)
{
    return writeSettingsFile(path, QByteArray::number(number));
}

int toolCommPortForItem(int index)
{
    return index >= 0 && index < kToolComPortCount ? index + 1 : kDefaultToolComPort;
}

std::optional<QString> toolSerialSettingsForItem(int index)
{
    if (index < 0 || index >= int(kToolBaudItems.size()))
        return std::nullopt;
    return QStringLiteral("%1,n,8,1").arg(QLatin1String(kToolBaudItems[std::size_t(index)]));
}

QStringList toolAuthItemsFor(const QString& wifiModeText)
{
    // The configuration window's rule: only "Infra" (item 0) offers the WPA modes.
    return toQStringList(authModeItemsFor(wifiModeText == QLatin1String("Adhoc") ? 1 : 0));
}

QStringList toolFallbackAuthItems()
{
    return toolAuthItemsFor(QStringLiteral("Adhoc"));
}

QStringList toolEncryItemsFor(const QString& authText)
{
    const auto items = encryTypeItemsFor(authText.toStdString());
    return items ? toQStringList(*items) : QStringList{QStringLiteral("TKIP"), QStringLiteral("AES")};
}

bool toolCoversWpaKey(const QString& encryText)
{
    return coversWpaKey(encryText.toStdString());
}

int toolItemMatching(const QStringList& items, const QString& text)
{
    for (int i = 0; i < items.size(); ++i) {
        if (items[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

}  // namespace quillmar
