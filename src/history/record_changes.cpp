#include "history/record_changes.h"
#include "record/single_byte_text.h"

#include <QRegularExpression>

#include "history/mask_key.h"

namespace quillmar {

bool isKeyField(DeviceField field)
{
    return field == DeviceField::Key || field == DeviceField::WpaPsk;
}

QString maskedKey(std::string_view key)
{
    if (key.empty())
        return {};
    QString error;
    const std::optional<QByteArray> maskKey = userMaskKey(error);
    if (!maskKey)
        return QString::fromLatin1(kUnkeyedMask);
    return keyedMask(*maskKey, QByteArray(key.data(), qsizetype(key.size())));
}

bool isKeyMask(const QString& text)
{
    static const QRegularExpression mask(QStringLiteral("^(hmac|sha256):[0-9a-f]{12}$"));
    return text == QLatin1String(kUnkeyedMask) || mask.match(text).hasMatch();
}

QString shownText(DeviceField field, std::string_view text, bool showSecrets)
{
    if (isKeyField(field) && !showSecrets)
        return maskedKey(text);
    return fromSingleByte(text);
}

std::vector<ChangedField> recordChanges(const DeviceEntry& before, const DeviceEntry& after, bool showSecrets)
{
    std::vector<ChangedField> changes;
    for (const FieldLayout& layout : deviceFieldLayout()) {
        const std::string from = before.text(layout.field);
        const std::string to = after.text(layout.field);
        if (from != to)
            changes.push_back(
                {layout.field, shownText(layout.field, from, showSecrets), shownText(layout.field, to, showSecrets)});
    }
    return changes;
}

}  // namespace quillmar
