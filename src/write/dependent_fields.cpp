#include "write/dependent_fields.h"

#include "write/printable.h"

namespace quillmar {

std::optional<QString> checkDependentFields(const std::vector<FieldChange>& changes, const WifiChoicesAfter& after,
                                            const WriteWords& words)
{
    // The values may be the printer's own bytes: shown escaped.
    const QString wifiMode = printable(after.wifiMode);
    const QString authMode = printable(after.authMode);
    const QString encryType = printable(after.encryType);
    if (changesAny(changes, {DeviceField::WifiMode, DeviceField::AuthMode})
        && !after.authModesOffered.contains(after.authMode, after.matching)) {
        return QStringLiteral("authMode %1 is not offered with wifiMode %2 (it offers %3)")
            .arg(authMode, wifiMode, after.authModesOffered.join(QStringLiteral(", ")));
    }
    if (changesAny(changes, {DeviceField::WifiMode, DeviceField::AuthMode, DeviceField::EncryType})
        && after.encryTypesOffered && !after.encryTypesOffered->contains(after.encryType, after.matching)) {
        return QStringLiteral("encryType %1 is not offered with authMode %2 (it offers %3)")
            .arg(encryType, authMode, after.encryTypesOffered->join(QStringLiteral(", ")));
    }
    const bool wep = after.encryType == QLatin1String("WEP");
    const FieldChange* key = changeOf(changes, DeviceField::Key);
    if (key && !key->value.isEmpty() && !wep) {
        return QStringLiteral("key is %1 only with encryType WEP, and the %2 would have %3; give encryType (and "
                              "authMode) too, or leave key out")
            .arg(words.done, words.holder, encryType);
    }
    const FieldChange* wpaPsk = changeOf(changes, DeviceField::WpaPsk);
    if (wpaPsk && !wpaPsk->value.isEmpty() && wep) {
        return QStringLiteral("wpaPsk is not %1 with encryType WEP; give encryType (and authMode) too, or leave "
                              "wpaPsk out")
            .arg(words.done);
    }
    return std::nullopt;
}

}  // namespace quillmar
