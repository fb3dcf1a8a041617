// A secrets file (--secrets FILE): its text taken as name=value lines. Taken,
// each of the four names is there at most once and no value runs past its
// line; refused, the message names a line of the file.
#include "fuzz/fuzz_support.h"
#include "secrets_file.h"

using namespace quillmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<cli::SecretValues> values = cli::parseSecretsText(text, error);
    if (!values) {
        fuzz::trace("refused: %s", error.toLocal8Bit().constData());
        FUZZ_CHECK(error.startsWith(QLatin1String("line ")));
        const int line = error.mid(5).section(u' ', 0, 0).section(u':', 0, 0).toInt();
        FUZZ_CHECK(line >= 1 && line <= text.count('\n') + 1);
        return 0;
    }
    FUZZ_CHECK(values->size() <= 4);
    for (const auto& [field, value] : *values) {
        FUZZ_CHECK(!value.contains('\n'));
        // The value is the rest of a line that names the field.
        FUZZ_CHECK(text.contains(value));
        FUZZ_CHECK(cli::secretFieldOfName(cli::secretFieldName(field)) == field);
    }
    // A text without '=' gives nothing, or is refused above.
    if (!text.contains('='))
        FUZZ_CHECK(values->empty());
    return 0;
}
