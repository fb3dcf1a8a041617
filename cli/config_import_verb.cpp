// quillmar-cli config import FILE: what a "$S" key file would set in the
// configuration window, one control per line, in the file's order; or what an
// exported record (encrypted or not) holds.
#include <memory>

#include "config/key_file_import.h"
#include "config/key_file_report.h"
#include "history/sealed_file.h"
#include "platform/regular_files.h"
#include "record/field_name_text.h"
#include "record/single_byte_text.h"
#include "record_printing.h"
#include "sealed_opener.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "verb.h"

namespace quillmar::cli {

namespace {

class ConfigImportVerb final : public Verb {
public:
    ConfigImportVerb() : Verb(QStringLiteral("config import"), QStringLiteral("print what a settings key file sets"))
    {
        addArgument(QStringLiteral("FILE"), QStringLiteral("the key file, or an exported record, a regular file"));
        addOption(showKeysOption());
        SecretUse secretUse;
        secretUse.passphrase = true;
        takeSecrets(secretUse);
        setDetails(QStringLiteral("Reads a settings key file (1 to %1 bytes; lines ending CR LF; lines starting\n"
                                  "with \"$S\" and a two-letter key) and prints what it sets in the configuration\n"
                                  "window, one \"field = value\" line per value, by the record's field names\n"
                                  "(those config show and config set use, and those of the window's extended\n"
                                  "settings area: serialBaud, dpDelim, opModeCode, ipFilterRange, ...); a value\n"
                                  "the window keeps in no field says \"(not in the record)\". Bytes outside\n"
                                  "printable ASCII are shown as \\xHH. Nothing is sent to any module.\n"
                                  "\n"
                                  "A 256-byte record (config export, a backup) is shown field by field, the\n"
                                  "Wi-Fi keys as ******** unless --show-secrets. An encrypted one (config export\n"
                                  "--encrypt, a .enc backup) is opened with its passphrase first: asked on the\n"
                                  "terminal, or passphrase= in --secrets FILE, or QUILLMAR_PASSPHRASE.")
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
        QByteArray bytes = file.bytes;
        if (looksSealed(bytes)) {
            QString error;
            const std::optional<QByteArray> contents = sealedOpener(secrets(), context, shownPath)(bytes, error);
            if (!contents)
                return fail(context, kRefused, QStringLiteral("%1: %2").arg(shownPath, error));
            bytes = *contents;
        }
        // An exported record, told from a key file as config apply tells it.
        const bool keyLines = bytes.startsWith("$S") || bytes.contains("\r\n$S");
        if (bytes.size() == qsizetype(kDeviceEntrySize) && (bytes.contains('\0') || !keyLines)) {
            const DeviceEntry record = DeviceEntry::fromBytes(bytes.constData(), kDeviceEntrySize);
            const bool showSecrets = parser.isSet(showKeysOption());
            for (const FieldLayout& layout : deviceFieldLayout())
                context.out << nameOf(layout.field) << " = " << fieldText(record, layout.field, showSecrets) << '\n';
            return kSuccess;
        }

        KeyFileReport report;
        const ImportOutcome outcome = applyKeyFileText(bytes, report);
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
