// quillmar-cli config apply FILE ADDRESS... (or --all): the settings an exported
// record or a "$S" key file holds, saved to many printers at once.
#include <memory>

#include "applied_file.h"
#include "fleet_verb.h"
#include "record/field_names.h"
#include "system_bytes.h"
#include "terminal_text.h"

namespace quillmar::cli {

namespace {

QString namesOf(const std::vector<FieldChange>& changes)
{
    QStringList names;
    for (const FieldChange& change : changes) {
        const std::string_view name = fieldName(change.field);
        names << QString::fromLatin1(name.data(), qsizetype(name.size()));
    }
    return names.join(QStringLiteral(", "));
}

class ConfigApplyVerb final : public FleetVerb {
public:
    ConfigApplyVerb()
        : FleetVerb(QStringLiteral("config apply"),
                    QStringLiteral("save the settings of an exported record or a key file to many modules"),
                    Targets::Many)
    {
        addArgument(QStringLiteral("FILE"),
                    QStringLiteral("a 256-byte file config export wrote, or a \"$S\" key file (config import)"));
        addArgument(QStringLiteral("ADDRESS"),
                    QStringLiteral("a module's IPv4 address, as discover lists it (for example 192.0.2.10)"),
                    Count::ZeroOrMore);
        setDetails(QStringLiteral("Saves to each module the fields FILE sets, and only those; the others go back\n"
                                  "as each module reported them. From a 256-byte record every field is taken\n"
                                  "but modelName, macAddress and ipAddress, which are each module's own and are\n"
                                  "never copied, and of key and wpaPsk the one its encryType sends. From a key\n"
                                  "file the IP mode (\"$SLC\") is taken; what it sets that no save carries (the\n"
                                  "packing, serial and TCP settings of the configuration window) is named on\n"
                                  "standard error and not sent. The values are checked with the configuration\n"
                                  "window's rules against each module's own record, as config set does.\n"
                                  "\n")
                   + fleetDetails()
                   + QStringLiteral("\n\nExamples:\n"
                                    "  quillmar-cli config export 192.0.2.20 shop.bin\n"
                                    "  quillmar-cli config apply shop.bin --all"));
    }

private:
    std::optional<int> prepare(const QCommandLineParser& parser, VerbContext& context,
                               QStringList& addressWords) override
    {
        const QStringList words = parser.positionalArguments();
        const QByteArray path = toSystemBytes(words.constFirst());
        addressWords = words.mid(1);
        const QString shownPath = terminalText(path);
        QString error;
        std::optional<AppliedFile> file = readAppliedFile(path, error);
        if (!file)
            return fail(context, kRefused, shownPath + QStringLiteral(": ") + terminalText(error.toLatin1()));
        for (const QString& line : file->notApplied)
            context.err << "quillmar-cli " << name() << ": not applied: " << terminalText(line.toLatin1()) << '\n';
        context.err.flush();
        if (file->changes.empty()) {
            return fail(context, kRefused,
                        shownPath + QStringLiteral(" sets no field a save carries to another module; nothing is sent"));
        }
        if (const std::optional<QString> message = checkFieldChanges(file->changes))
            return fail(context, kUsageError,
                        shownPath + QStringLiteral(": ") + *message + QStringLiteral("; nothing is sent"));
        context.err << "quillmar-cli " << name() << ": applying " << namesOf(file->changes) << " from " << shownPath
                    << '\n';
        context.err.flush();
        changes_ = std::move(file->changes);
        return std::nullopt;
    }

    std::optional<DeviceEntry> recordFor(const ModuleReading& module, QString& message) override
    {
        return saveRecordWithChanges(module.record, module.address, changes_, message);
    }

    std::vector<FieldChange> changes_;
};

}  // namespace

std::unique_ptr<Verb> makeConfigApplyVerb()
{
    return std::make_unique<ConfigApplyVerb>();
}

}  // namespace quillmar::cli
