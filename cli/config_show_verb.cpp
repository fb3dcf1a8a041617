// quillmar-cli config show ADDRESS [--json]: one module's settings record.
#include <QJsonDocument>

#include <memory>

#include "config/save_exchange.h"
#include "module_verb_base.h"
#include "record_printing.h"

namespace quillmar::cli {

namespace {

class ConfigShowVerb final : public ModuleVerb {
public:
    ConfigShowVerb() : ModuleVerb(QStringLiteral("config show"), QStringLiteral("print one module's settings record"))
    {
        addJsonOption(QStringLiteral("print the record as one JSON object"));
        addOption(wideOption());
        addOption(showKeysOption());
        setDetails(QStringLiteral("Sends the read request to the module at ADDRESS (UDP port %1, from local\n"
                                  "port %2) and prints the record it answers with, by the field names that\n"
                                  "config set takes. Bytes outside printable ASCII are shown as \\xHH and a\n"
                                  "backslash as \\\\; the Wi-Fi keys as ******** unless --show-secrets; a value\n"
                                  "wider than the terminal goes on under itself unless --wide. --json gives\n"
                                  "the texts as they are, read as Latin-1.")
                       .arg(kModulePort)
                       .arg(kLocalConfigPort));
    }

private:
    std::optional<int> prepare(const QCommandLineParser& parser, VerbContext& context) override
    {
        json_ = jsonWanted(parser);
        text_.width = parser.isSet(wideOption()) ? 0 : context.outColumns;
        text_.showSecrets = parser.isSet(showKeysOption());
        return std::nullopt;
    }

    bool takesShortRecord() const override { return true; }

    int executeOnModule(const ModuleReading& module, VerbContext& context) override
    {
        if (module.answerLength < int(kDeviceEntrySize)) {
            context.err << messagePrefix()
                        << QStringLiteral("the answer was %1 bytes, not %2; the fields it does not cover are empty\n")
                               .arg(module.answerLength)
                               .arg(kDeviceEntrySize);
        }
        if (json_)
            context.out << QString::fromUtf8(QJsonDocument(recordToJson(module.record)).toJson());
        else
            printRecordTable(context.out, module.record, text_);
        return kSuccess;
    }

    bool json_ = false;
    RecordText text_;
};

}  // namespace

std::unique_ptr<Verb> makeConfigShowVerb()
{
    return std::make_unique<ConfigShowVerb>();
}

}  // namespace quillmar::cli
