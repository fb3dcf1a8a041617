// quillmar-cli config set ADDRESS... NAME=VALUE... (or --all): changes settings
// of modules as the configuration window's "Save to Module" does, all of them at
// once, and says whether each module took them.
#include <algorithm>
#include <memory>

#include "fleet_verb_base.h"
#include "settable_fields.h"
#include "write/write_plan.h"

namespace quillmar::cli {

namespace {

class ConfigSetVerb final : public FleetVerb {
public:
    ConfigSetVerb()
        : FleetVerb(QStringLiteral("config set"),
                    QStringLiteral("change settings of one or many modules and wait for their verdicts"), Targets::Many)
    {
        addArgument(QStringLiteral("ADDRESS"),
                    QStringLiteral("a module's IPv4 address, as discover lists it (for example 192.0.2.10)"),
                    Count::ZeroOrMore);
        addArgument(QStringLiteral("NAME=VALUE"),
                    QStringLiteral("a field and its new value, by the names under Fields (a Wi-Fi key best from "
                                   "--secrets or --ask-secret)"),
                    Count::ZeroOrMore);
        setCompletion(QStringLiteral("NAME=VALUE"), fieldsHint(settableFieldNames()));
        SecretUse secretUse;
        secretUse.wifiKeys = true;
        secretUse.keysInWords = true;
        secretUse.passphrase = true;
        takeSecrets(secretUse);
        setDetails(QStringLiteral("Changes the fields given in the settings record of each module and saves it.\n"
                                  "Each value given is checked first with the configuration window's rule for\n"
                                  "its box, and so are the fields that depend on it, against each module's own\n"
                                  "record; a value that breaks a rule sends nothing. Fields not given go back\n"
                                  "as the module reported them. ipAddress is given for one module only.\n"
                                  "\n")
                   + fleetDetails() + QStringLiteral("\n\n") + SecretSources::help(secretUse)
                   + QStringLiteral("\n\nFields:\n") + windowFieldHelp()
                   + QStringLiteral("\nExamples:\n"
                                    "  quillmar-cli config set 192.0.2.20 ssid=ShopNet authMode=WPA2PSK encryType=AES "
                                    "--ask-secret wpaPsk\n"
                                    "  quillmar-cli config set 192.0.2.20 --secrets ~/shop.secrets  (wpaPsk=... in "
                                    "a file of mode 0600)\n"
                                    "  quillmar-cli config set --all ssid=Shop2"));
    }

private:
    std::optional<int> prepare(const QCommandLineParser& parser, VerbContext& context,
                               QStringList& addressWords) override
    {
        QStringList fieldWords;
        for (const QString& word : parser.positionalArguments())
            (word.contains(u'=') ? fieldWords : addressWords) << word;
        QString error;
        auto changes = parseFieldChanges(fieldWords, error);
        if (!changes)
            return usageError(context, error);
        secrets().addWifiKeys(*changes);
        if (changes->empty())
            return usageError(context, QStringLiteral("NAME=VALUE is missing"));
        if (const auto message = checkFieldChanges(windowFieldRules(), *changes))
            return fail(context, kUsageError, *message + QStringLiteral("; nothing is sent"));
        const bool newAddress = std::any_of(changes->begin(), changes->end(), [](const FieldChange& change) {
            return change.field == DeviceField::IpAddress;
        });
        if (newAddress && writesToMany(addressWords)) {
            return usageError(context, QStringLiteral("ipAddress is one module's own: give it with one ADDRESS only"));
        }
        changes_ = std::move(*changes);
        return std::nullopt;
    }

    std::optional<ModuleWrite> writeFor(const ModuleReading&, QString&) override { return ModuleWrite{{}, changes_}; }

    bool sendsWifiKey() const override { return carriesWifiKey(changes_); }

    bool changesAddresses() const override
    {
        return std::any_of(changes_.begin(), changes_.end(),
                           [](const FieldChange& change) { return change.field == DeviceField::IpAddress; });
    }

    std::vector<FieldChange> changes_;
};

}  // namespace

std::unique_ptr<Verb> makeConfigSetVerb()
{
    return std::make_unique<ConfigSetVerb>();
}

}  // namespace quillmar::cli
