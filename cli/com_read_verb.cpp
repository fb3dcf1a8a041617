// quillmar-cli com read --port COMn [--baud B] [--json]: the settings record of
// a printer on a serial port, as the COM settings tool's "READ SETTING" reads it.
#include <memory>

#include "direct_settings_verb_base.h"

namespace quillmar::cli {

namespace {

class ComReadVerb final : public DirectReadVerb {
public:
    ComReadVerb()
        : DirectReadVerb(QStringLiteral("com read"),
                         QStringLiteral("print the settings record of a printer on a serial port"),
                         DirectTransport::Com)
    {
        setDetails(QStringLiteral("Sends the read command (1D 67 57 47) on the serial port and prints the record\n"
                                  "that follows the reply's 6 leading bytes, by the field names that com write\n"
                                  "and config set take. A reply shorter than the record is shown with the\n"
                                  "fields it does not cover empty. Bytes outside printable ASCII are shown as\n"
                                  "\\xHH and a backslash as \\\\; --json gives the texts as they are, read as\n"
                                  "Latin-1.\n"
                                  "\n")
                   + exchangeDetails());
    }
};

}  // namespace

std::unique_ptr<Verb> makeComReadVerb()
{
    return std::make_unique<ComReadVerb>();
}

}  // namespace quillmar::cli
