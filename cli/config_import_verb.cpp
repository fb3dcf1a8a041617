// quillmar-cli config import FILE: prints what a "$S" key file would set in the
// configuration window, one control per line, in the file's order.
#include <cstdio>
#include <cstring>

#include "config/key_file_import.h"
#include "config/key_file_report.h"
#include "config_verb.h"

namespace quillmar::cli {

namespace {

const char kImportUsage[] =
    "Usage: quillmar-cli config import FILE\n"
    "\n"
    "Reads a settings key file (1 to 1023 bytes; lines ending CR LF; lines starting\n"
    "with \"$S\" and a two-letter key) and prints what it sets in the configuration\n"
    "window, one \"control = value\" line per effect. Nothing is sent to any module.\n";

}  // namespace

int runConfigImport(int argc, char** argv)
{
    const char* fileName = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kImportUsage, stdout);
            return 0;
        }
        if ((argv[i][0] == '-' && argv[i][1] != '\0') || fileName) {
            std::fprintf(stderr, "quillmar-cli: config import: unexpected '%s'\n", argv[i]);
            std::fputs(kImportUsage, stderr);
            return 2;
        }
        fileName = argv[i];
    }
    if (!fileName) {
        std::fputs(kImportUsage, stderr);
        return 2;
    }

    KeyFileReport report;
    const ImportOutcome outcome = importKeyFile(QString::fromLocal8Bit(fileName), report);
    // Lines applied before a failure are printed too: the window keeps them.
    for (const QString& line : report.lines())
        std::printf("%s\n", line.toLocal8Bit().constData());
    switch (outcome.status) {
    case ImportStatus::Read:
        if (report.lines().isEmpty())
            std::fprintf(stderr, "quillmar-cli: config import: %s sets nothing\n", fileName);
        return 0;
    case ImportStatus::ConversionFailed:
        std::fprintf(stderr, "quillmar-cli: config import: importData: %s\n", outcome.message.toLocal8Bit().constData());
        return 1;
    case ImportStatus::FileMissing:
    case ImportStatus::OpenFailed:
    case ImportStatus::ReadFailed:
        break;
    }
    std::fprintf(stderr, "quillmar-cli: config import: %s\n", outcome.message.toLocal8Bit().constData());
    return 1;
}

}  // namespace quillmar::cli
