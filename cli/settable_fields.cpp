#include "settable_fields.h"

#include <algorithm>

#include "record/field_name_text.h"
#include "terminal_text.h"

namespace quillmar::cli {

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

FieldChangeVerb toolFieldChangeVerb(const QString& verb)
{
    FieldChangeVerb scope;
    scope.name = verb;
    scope.fixed = {DeviceField::ModelName, DeviceField::MacAddress, DeviceField::TcpPort, DeviceField::UdpPort};
    scope.whyFixed = QStringLiteral("is shown read-only by the settings tools and is not changed by ") + verb;
    return scope;
}

std::optional<std::vector<FieldChange>> parseToolFieldChanges(const QStringList& words, const QString& verb,
                                                              QString& error)
{
    return parseFieldChanges(words, error, toolFieldChangeVerb(verb));
}

QStringList settableFieldNames(const FieldChangeVerb& verb)
{
    QStringList names;
    for (const FieldLayout& layout : deviceFieldLayout()) {
        if (std::find(verb.fixed.begin(), verb.fixed.end(), layout.field) == verb.fixed.end())
            names << nameOf(layout.field);
    }
    return names;
}

}  // namespace quillmar::cli
