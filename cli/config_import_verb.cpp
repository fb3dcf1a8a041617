// quillmar-cli config import FILE: what a "$S" key file would set in the
// configuration window, one control per line, in the file's order.
#include <memory>

#include "config/key_file_import.h"
#include "config/key_file_report.h"
#include "platform/regular_files.h"
#include "record/single_byte_text.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "verb.h"

namespace quillmar::cli {

namespace {

class ConfigImportVerb final : public Verb {
public:
    ConfigImportVerb() : Verb(QStringLiteral("config import"), QStringLiteral("print what a settings key file sets"))
    {
        addArgument(QStringLiteral("FILE"), QStringLiteral("the key file, a regular file"));
        setDetails(QStringLiteral("Reads a settings key file (1 to %1 bytes; lines ending CR LF; lines starting\n"
                                  "with \"$S\" and a two-letter key) and prints what it sets in the configuration\n"
                                  "window, one \"field = value\" line per value, by the record's field names\n"
                                  "(those config show and config set use, and those of the window's extended\n"
                                  "settings area: serialBaud, dpDelim, opModeCode, ipFilterRange, ...); a value\n"
                                  "the window keeps in no field says \"(not in the record)\". Bytes outside\n"
                                  "printable ASCII are shown as \\xHH. Nothing is sent to any module.")
                       .arg(kImportFileMaxSize));
    }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) override
    {
        const QByteArray path = toSystemBytes(parser.positionalArguments().constFirst());
        const QString shownPath = terminalText(path);
        const RegularFileRead file = readRegularFile(path, kImportFileMaxSize);
        switch (file.status) {
        case RegularFileRead::Status::Missing:
            return fail(context, kRefused, shownPath + QStringLiteral(": file isn't exists"));
        case RegularFileRead::Status::NotOpened:
            return fail(context, kRefused, shownPath + QStringLiteral(": open file failed"));
        case RegularFileRead::Status::BadSize:
            return fail(context, kRefused, shownPath + QStringLiteral(": read file failed."));
        case RegularFileRead::Status::Read:
            break;
        }

        KeyFileReport report;
        const ImportOutcome outcome = applyKeyFileText(file.bytes, report);
        // Lines applied before a failure are printed too: the window keeps them.
        for (const QString& line : report.lines())
            context.out << terminalText(toSingleByte(line)) << '\n';
        if (outcome.status == ImportStatus::ConversionFailed)
            return fail(context, kRefused,
                        QStringLiteral("importData: ") + terminalText(toSingleByte(outcome.message)));
        if (report.lines().isEmpty())
            context.err << messagePrefix() << shownPath << " sets nothing\n";
        return kSuccess;
    }
};

}  // namespace

std::unique_ptr<Verb> makeConfigImportVerb()
{
    return std::make_unique<ConfigImportVerb>();
}

}  // namespace quillmar::cli
