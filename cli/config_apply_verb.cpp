// quillmar-cli config apply FILE ADDRESS... (or --all): the settings an exported
// record or a "$S" key file holds, saved to many printers at once.
#include <algorithm>
#include <memory>

#include "applied_file.h"
#include "fleet_verb_base.h"
#include "history/record_backups.h"
#include "record/field_name_text.h"
#include "record/field_names.h"
#include "sealed_opener.h"
#include "site_map.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "write/write_plan.h"

namespace quillmar::cli {

namespace {

QString namesOf(const std::vector<FieldChange>& changes)
{
    QStringList names;
    for (const FieldChange& change : changes)
        names << nameOf(change.field);
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
                    QStringLiteral("a 256-byte file config export wrote, or a \"$S\" key file (config import)"),
                    Count::Optional);
        addArgument(QStringLiteral("ADDRESS"),
                    QStringLiteral("a module's IPv4 address, as discover lists it (for example 192.0.2.10)"),
                    Count::ZeroOrMore);
        SecretUse secretUse;
        secretUse.wifiKeys = true;
        secretUse.passphrase = true;
        takeSecrets(secretUse);
        setDetails(QStringLiteral("Saves to each module the fields FILE sets, and only those; the others go back\n"
                                  "as each module reported them. From a 256-byte record every field is taken\n"
                                  "but modelName, macAddress and ipAddress, which are each module's own and are\n"
                                  "never copied, and of key and wpaPsk the one its encryType sends. From a key\n"
                                  "file the IP mode (\"$SLC\") is taken; what it sets that no save carries (the\n"
                                  "packing, serial and TCP settings of the configuration window) is named on\n"
                                  "standard error and not sent. The values are checked with the configuration\n"
                                  "window's rules against each module's own record, as config set does.\n"
                                  "\n"
                                  "--map FILE.csv applies a table instead: a header row with macAddress (in\n"
                                  "any notation) and any field names (ip for ipAddress; address, interface and\n"
                                  "modelName are left alone, so that discover --csv can be edited and applied),\n"
                                  "then a row per module. An empty cell, or a key cell still holding the mask\n"
                                  "discover --csv writes, leaves that field as the module has it. Every row is\n"
                                  "checked before anything is sent: unknown columns, a field in two columns\n"
                                  "(ip and ipAddress are one), values that break a rule, a MAC in two rows, one\n"
                                  "new address in two rows, a new address another module already answers from;\n"
                                  "any refusal names the file's line, sends nothing and exits with status 2. One\n"
                                  "search then lists the modules (--quick, --interface, --model shape it) and\n"
                                  "every row whose MAC answered is saved in one shared save time; a row that\n"
                                  "changes nothing the module holds is unchanged and not saved, a row whose MAC\n"
                                  "did not answer is not found (exit status 1).\n"
                                  "\n"
                                  "A Wi-Fi key from --secrets or --ask-secret replaces the one FILE holds; one\n"
                                  "from QUILLMAR_KEY or QUILLMAR_WPAPSK is taken only when FILE sets none. With\n"
                                  "--map, such a key goes to every row of a map that has no column for it (a\n"
                                  "column's empty or masked cell still leaves the module's key as it is). An\n"
                                  "encrypted FILE (config export --encrypt, a .enc backup) is opened with its\n"
                                  "passphrase.\n"
                                  "\n")
                   + fleetDetails() + QStringLiteral("\n\n") + SecretSources::help(secretUse)
                   + QStringLiteral("\n\nExamples:\n"
                                    "  quillmar-cli config export 192.0.2.20 shop.bin\n"
                                    "  quillmar-cli config apply shop.bin --all\n"
                                    "  quillmar-cli discover --csv > site.csv; (edit it)\n"
                                    "  quillmar-cli config apply --map site.csv --dry-run"));
        addOption({QStringLiteral("map"), QStringLiteral("a table of modules by MAC and the fields each gets"),
                   QStringLiteral("FILE.csv")});
    }

private:
    std::optional<int> prepare(const QCommandLineParser& parser, VerbContext& context,
                               QStringList& addressWords) override
    {
        const QStringList words = parser.positionalArguments();
        if (parser.isSet(QStringLiteral("map"))) {
            if (!words.isEmpty())
                return usageError(context, QStringLiteral("the map names the modules: no FILE or ADDRESS with --map"));
            return readMap(toSystemBytes(parser.value(QStringLiteral("map"))), context);
        }
        if (words.isEmpty())
            return usageError(context, QStringLiteral("FILE (or --map FILE.csv) is missing"));
        const QByteArray path = toSystemBytes(words.constFirst());
        addressWords = words.mid(1);
        const QString shownPath = terminalText(path);
        QString error;
        std::optional<AppliedFile> file = readAppliedFile(path, error, sealedOpener(secrets(), context, shownPath));
        if (!file)
            return fail(context, kRefused, shownPath + QStringLiteral(": ") + terminalText(error.toLatin1()));
        const QStringList fromSecrets = secrets().addWifiKeys(file->changes);
        for (const QString& line : file->notApplied)
            context.err << messagePrefix() << "not applied: " << terminalText(line.toLatin1()) << '\n';
        context.err.flush();
        if (file->changes.empty()) {
            return fail(context, kRefused,
                        shownPath + QStringLiteral(" sets no field a save carries to another module; nothing is sent"));
        }
        if (const std::optional<QString> message = checkFieldChanges(windowFieldRules(), file->changes))
            return fail(context, kUsageError,
                        shownPath + QStringLiteral(": ") + *message + QStringLiteral("; nothing is sent"));
        context.err << messagePrefix() << "applying " << namesOf(file->changes) << " from " << shownPath;
        if (!fromSecrets.isEmpty())
            context.err << " (" << fromSecrets.join(QStringLiteral(", ")) << ')';
        context.err << '\n';
        context.err.flush();
        changes_ = std::move(file->changes);
        return std::nullopt;
    }

    std::optional<ModuleWrite> writeFor(const ModuleReading& module, QString& message) override
    {
        if (!map_)
            return ModuleWrite{{}, changes_};
        const MapRow* row = rowOf(module.record);
        if (!row) {
            message = QStringLiteral("the module's MAC is in no row of the map");
            return std::nullopt;
        }
        return ModuleWrite{row->mac.toStdString(), row->changes};
    }

    std::optional<int> readMap(const QByteArray& path, VerbContext& context)
    {
        QStringList refusals;
        std::set<DeviceField> columns;
        map_ = readSiteMap(path, refusals, &columns);
        if (!map_)
            return refuseAll(refusals, context);
        // The keys the secrets give go to the rows of a map without their
        // column; a column is the map's own say, empty and masked cells included.
        std::vector<FieldChange> keys;
        secrets().addWifiKeys(keys);
        std::erase_if(keys, [&](const FieldChange& change) {
            if (columns.count(change.field) == 0)
                return false;
            const SecretValue* secret = secrets().value(change.field == DeviceField::Key ? SecretField::Key
                                                                                         : SecretField::WpaPsk);
            if (!secret->fromEnvironment) {
                refusals << QStringLiteral("the map has a %1 column, and %2 gives %1 too: give it in one place")
                                .arg(nameOf(change.field), secret->origin);
            }
            return true;
        });
        if (!refusals.isEmpty())
            return refuseAll(refusals, context);
        if (const std::optional<QString> message = checkFieldChanges(windowFieldRules(), keys))
            return fail(context, kUsageError, *message + QStringLiteral("; nothing is sent"));
        for (MapRow& row : *map_)
            row.changes.insert(row.changes.end(), keys.begin(), keys.end());
        setSearchFirst(true);
        return std::nullopt;
    }

    int refuseAll(const QStringList& refusals, VerbContext& context) const
    {
        for (const QString& refusal : refusals)
            context.err << messagePrefix() << refusal << '\n';
        return fail(context, kUsageError, QStringLiteral("nothing is sent"));
    }

    const MapRow* rowOf(const DeviceEntry& record) const
    {
        const std::string mac = record.text(DeviceField::MacAddress);
        const QString folder = backupFolderName(mac);
        const auto found = std::find_if(map_->begin(), map_->end(),
                                        [&](const MapRow& row) { return row.mac == folder; });
        return found == map_->end() ? nullptr : &*found;
    }

    // The map's modules among those that answered; a new address the guard
    // refuses (another module answers from it, unless this map moves that
    // module away too) ends the run before anything is sent.
    std::optional<int> chooseTargets(const std::vector<CensusModule>& found, std::vector<FleetTarget>& targets,
                                     std::vector<ModuleVerdict>& left, VerbContext& context) override
    {
        for (const MapRow& row : *map_) {
            if (row.newAddress)
                guard().expectMove(row.mac.toStdString(), *row.newAddress);
        }
        QStringList refusals;
        for (const MapRow& row : *map_) {
            // The host that answered with the row's MAC; of two, the one the
            // user named.
            const CensusModule* module = nullptr;
            for (const CensusModule& candidate : found) {
                if (backupFolderName(candidate.record.text(DeviceField::MacAddress)) == row.mac
                    && (!module || guard().picked(candidate.from)))
                    module = &candidate;
            }
            if (!module) {
                ModuleVerdict missing;
                missing.addressText = row.mac;
                missing.mac = row.mac;
                missing.outcome = ModuleVerdict::Outcome::NotFound;
                missing.message =
                    QStringLiteral("no module with this MAC answered the search (map line %1)").arg(row.line);
                left.push_back(missing);
                continue;
            }
            std::vector<std::uint32_t> others = guard().claimedElsewhere(row.mac.toStdString(), module->from);
            if (!others.empty()) {
                others.push_back(module->from);
                refusals << QStringLiteral("map line %1: MAC %2 answers from %3: only one of them is that printer "
                                           "(--address names the printer's)")
                                .arg(row.line)
                                .arg(row.mac, addressList(others));
                continue;
            }
            if (row.newAddress) {
                if (const std::optional<GuardRefusal> refused = guard().check(row.mac.toStdString(), module->from,
                                                                              *row.newAddress)) {
                    refusals << QStringLiteral("map line %1: %2%3")
                                    .arg(row.line)
                                    .arg(refused->reason,
                                         refused->inUse ? QStringLiteral(" (--allow-duplicate-address gives it anyway)")
                                                        : QString());
                }
            }
            // Rows stay apart by MAC: two modules with one address on two
            // networks are two targets, each reached on its own interface.
            const FleetTarget target{module->from, module->interfaceIndex};
            if (std::find(targets.begin(), targets.end(), target) == targets.end())
                targets.push_back(target);
        }
        if (!refusals.isEmpty())
            return refuseAll(refusals, context);
        return std::nullopt;
    }

    bool skipsUnchanged() const override { return map_.has_value(); }
    // A map's rows name each module by its MAC: the key goes only to those.
    bool sendsWifiKey() const override { return !map_ && carriesWifiKey(changes_); }

    std::vector<FieldChange> changes_;
    std::optional<std::vector<MapRow>> map_;
};

}  // namespace

std::unique_ptr<Verb> makeConfigApplyVerb()
{
    return std::make_unique<ConfigApplyVerb>();
}

}  // namespace quillmar::cli
