// quillmar-cli usb read [--json]: the settings record of a printer attached by
// USB, as the USB settings tool's "READ SETTING" reads it.
#include <memory>

#include "direct_settings_verb_base.h"

namespace quillmar::cli {

namespace {

class UsbReadVerb final : public DirectReadVerb {
public:
    UsbReadVerb()
        : DirectReadVerb(QStringLiteral("usb read"), QStringLiteral("print the settings record of a USB printer"),
                         DirectTransport::Usb)
    {
        setDetails(QStringLiteral("Sends the read command (1D 67 57 47) to the printer and prints the 256-byte\n"
                                  "record it answers with, by the field names that usb write and config set\n"
                                  "take. Bytes outside printable ASCII are shown as \\xHH and a backslash as\n"
                                  "\\\\; --json gives the texts as they are, read as Latin-1.\n"
                                  "\n")
                   + exchangeDetails());
    }
};

}  // namespace

std::unique_ptr<Verb> makeUsbReadVerb()
{
    return std::make_unique<UsbReadVerb>();
}

}  // namespace quillmar::cli
