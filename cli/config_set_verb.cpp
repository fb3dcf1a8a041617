// quillmar-cli config set ADDRESS NAME=VALUE...: changes settings of one module
// as the configuration window's "Save to Module" does, and says whether the
// module took them.
#include <memory>

#include "config/opened_form_values.h"
#include "config/save_exchange.h"
#include "config/save_records.h"
#include "config/validation_rules.h"
#include "module_verb.h"
#include "settable_fields.h"
#include "udp_save.h"

namespace quillmar::cli {

namespace {

constexpr int kLongestTickMs = 60000;

class ConfigSetVerb final : public ModuleVerb {
public:
    ConfigSetVerb()
        : ModuleVerb(QStringLiteral("config set"),
                     QStringLiteral("change settings of one module and wait for its verdict"))
    {
        addArgument(QStringLiteral("NAME=VALUE"),
                    QStringLiteral("a field and its new value, by the names under Fields"), Count::OneOrMore);
        addOption({QStringLiteral("tick-ms"),
                   QStringLiteral("length of one tick of the timed check (default %1)").arg(kSaveTickInterval.count()),
                   QStringLiteral("MS")});
        setDetails(QStringLiteral("Reads the settings record of the module at ADDRESS, changes the fields given\n"
                                  "and saves it as the configuration window's \"Save to Module\" does: the save\n"
                                  "header and the record from local UDP port %1 to port %2, a read request to\n"
                                  "ADDRESS at tick %3 and the verdict at tick %4 (about %4 seconds). A module that\n"
                                  "took the record restarts and stops answering at ADDRESS: \"Save to Module OK\",\n"
                                  "exit status 0. A module that still answers there has not taken it: exit\n"
                                  "status 1. Each value given is checked first with the window's rule for its\n"
                                  "box, and so are the fields that depend on it; a value that breaks a rule\n"
                                  "sends nothing (exit status 2). Fields not given go back as the module\n"
                                  "reported them.\n"
                                  "\n"
                                  "Fields:\n")
                       .arg(kLocalConfigPort)
                       .arg(kModulePort)
                       .arg(kProbeTick + 1)
                       .arg(kDecidingTick + 1)
                   + settableFieldHelp()
                   + QStringLiteral("\nExample:\n"
                                    "  quillmar-cli config set 192.0.2.20 ssid=ShopNet authMode=WPA2PSK encryType=AES "
                                    "wpaPsk=secret"));
    }

private:
    std::optional<int> prepare(const QCommandLineParser& parser, VerbContext& context) override
    {
        if (parser.isSet(QStringLiteral("tick-ms"))) {
            bool number = false;
            const int ms = parser.value(QStringLiteral("tick-ms")).toInt(&number);
            if (!number || ms < 1 || ms > kLongestTickMs)
                return usageError(context, QStringLiteral("--tick-ms takes 1 to %1 milliseconds").arg(kLongestTickMs));
            tick_ = std::chrono::milliseconds(ms);
        }
        QString error;
        auto changes = parseFieldChanges(parser.positionalArguments().mid(1), error);
        if (!changes)
            return usageError(context, error);
        if (const auto message = checkFieldChanges(*changes))
            return fail(context, kUsageError, *message + QStringLiteral("; nothing is sent"));
        changes_ = std::move(*changes);
        return std::nullopt;
    }

    int executeOnModule(const ModuleReading& module, VerbContext& context) override
    {
        ConfigFormValues values = formValuesFromRecord(module.record, module.address);
        applyFieldChanges(changes_, values);
        std::optional<QString> message = checkDependentFields(changes_, values);
        if (!message)
            message = checkSingleByteTexts(values);
        // A module at an address with a 255 in it would be saved unreachable,
        // as the window refuses to do.
        if (!message && !isReachableModuleAddress(values.addressControlValue))
            message = QStringLiteral("ipAddress %1: invalid IP address").arg(module.addressText);
        if (message)
            return fail(context, kUsageError, *message + QStringLiteral("; nothing is saved"));

        ConfigBlock block = configBlockFromRecord(module.record, module.address);
        const DeviceEntry record = buildUdpSaveRecord(values, block);
        context.out << QStringLiteral("Saving to %1; the verdict comes in about %2 seconds\n")
                           .arg(module.addressText)
                           .arg((kDecidingTick + 1) * tick_.count() / 1000);
        context.out.flush();
        const UdpSaveResult result = saveOverUdp(record, module.addressText, module.addressText, tick_,
                                                 [&context](const QString& status) {
                                                     context.out << status << '\n';
                                                     context.out.flush();
                                                 });
        switch (result.outcome) {
        case UdpSaveResult::Outcome::Confirmed:
            return kSuccess;
        case UdpSaveResult::Outcome::Unconfirmed:
            return fail(context, kRefused,
                        QStringLiteral("the module still answers at %1 after the probe: the save was not confirmed")
                            .arg(module.addressText));
        case UdpSaveResult::Outcome::Failed:
            break;
        }
        return fail(context, kRefused, QString::fromStdString(result.error));
    }

    std::vector<FieldChange> changes_;
    std::chrono::milliseconds tick_ = kSaveTickInterval;
};

}  // namespace

std::unique_ptr<Verb> makeConfigSetVerb()
{
    return std::make_unique<ConfigSetVerb>();
}

}  // namespace quillmar::cli
