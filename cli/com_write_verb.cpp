// quillmar-cli com write --port COMn [--baud B] NAME=VALUE...: changes settings
// of a printer on a serial port as the COM settings tool's "SAVE SETTING" does.
#include <memory>

#include "direct_settings_verb_base.h"
#include "settable_fields.h"
#include "write/field_rules.h"

namespace quillmar::cli {

namespace {

class ComWriteVerb final : public DirectWriteVerb {
public:
    ComWriteVerb()
        : DirectWriteVerb(QStringLiteral("com write"), QStringLiteral("change settings of a printer on a serial port"),
                          DirectTransport::Com)
    {
        setDetails(QStringLiteral("Reads the printer's settings record, changes the fields given and writes it\n"
                                  "back: the write command (1D 67 57 53), then the 256 record bytes one by one.\n"
                                  "Each value is checked first as the COM settings tool's box or choice would\n"
                                  "take it, and the choices with the ones they depend on; a value that breaks\n"
                                  "a rule sends nothing (exit status 2). Fields not given go back as the printer\n"
                                  "reported them. The printer does not answer a write: exit status 0 means\n"
                                  "every byte went out.\n"
                                  "\n")
                   + exchangeDetails() + QStringLiteral("\n\n") + SecretSources::help({true, true, false, true})
                   + QStringLiteral("\n\nFields:\n") + toolFieldHelp()
                   + QStringLiteral("\nExample:\n"
                                    "  quillmar-cli com write --port COM3 ssid=ShopNet authMode=WPA2PSK encryType=AES "
                                    "--ask-secret wpaPsk"));
    }
};

}  // namespace

std::unique_ptr<Verb> makeComWriteVerb()
{
    return std::make_unique<ComWriteVerb>();
}

}  // namespace quillmar::cli
