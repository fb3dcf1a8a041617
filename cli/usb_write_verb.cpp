// quillmar-cli usb write NAME=VALUE...: changes settings of a printer attached
// by USB as the USB settings tool's "SAVE SETTING" does.
#include <memory>

#include "direct_settings_verb_base.h"
#include "settable_fields.h"
#include "write/field_rules.h"

namespace quillmar::cli {

namespace {

class UsbWriteVerb final : public DirectWriteVerb {
public:
    UsbWriteVerb()
        : DirectWriteVerb(QStringLiteral("usb write"), QStringLiteral("change settings of a USB printer"),
                          DirectTransport::Usb)
    {
        setDetails(QStringLiteral("Reads the printer's settings record, changes the fields given and writes it\n"
                                  "back to the same printer: the write command (1D 67 57 53), then the 256\n"
                                  "record bytes. Each value is checked first as the USB settings tool's box or\n"
                                  "choice would take it, and the choices with the ones they depend on; a value\n"
                                  "that breaks a rule sends nothing (exit status 2). Fields not given go back\n"
                                  "as the printer reported them. The printer does not answer a write; it takes\n"
                                  "about 20 seconds to use the new settings.\n"
                                  "\n")
                   + exchangeDetails() + QStringLiteral("\n\n") + SecretSources::help({true, true, false, true})
                   + QStringLiteral("\n\nFields:\n") + toolFieldHelp()
                   + QStringLiteral("\nExample:\n"
                                    "  quillmar-cli usb write ip=192.0.2.30 deviceName=Kitchen"));
    }
};

}  // namespace

std::unique_ptr<Verb> makeUsbWriteVerb()
{
    return std::make_unique<UsbWriteVerb>();
}

}  // namespace quillmar::cli
