// quillmar-cli config export ADDRESS FILE [--force]: writes a module's validated
// settings record to a 256-byte file, as the configuration window's "Export..."
// does.
#include <cstdio>
#include <cstring>
#include <string>

#include "config/configuration_export.h"
#include "config/save_checks.h"
#include "config_read.h"
#include "config_verb.h"
#include "module_address.h"
#include "record/ipv4_text.h"
#include "config/opened_form_values.h"

namespace quillmar::cli {

namespace {

const char kExportUsage[] =
    "Usage: quillmar-cli config export ADDRESS FILE [--force]\n"
    "\n"
    "Reads the settings record of the module at ADDRESS, checks it with the\n"
    "configuration window's rules and writes it to FILE: 256 bytes, the record's\n"
    "thirteen fields at their full widths. The file is written beside FILE and\n"
    "renamed over it, so a failed write leaves an older FILE as it was.\n"
    "  --force   replace FILE when it exists (otherwise it is left alone)\n";

// The window asks before replacing a file; the command line is told up front.
class CliExportPrompts final : public ExportPrompts {
public:
    explicit CliExportPrompts(bool force) : force_(force) {}

    bool confirmOverwrite() override { return force_; }
    void showAnotherNameNotice() override
    {
        std::fprintf(stderr, "quillmar-cli: config export: the file exists (give --force to replace it). %s\n",
                     kAnotherNameText);
    }
    void showError(const QString& text) override
    {
        std::fprintf(stderr, "quillmar-cli: config export: %s\n", text.toLocal8Bit().constData());
    }

private:
    bool force_;
};

int fail(const std::string& message)
{
    std::fprintf(stderr, "quillmar-cli: config export: %s\n", message.c_str());
    return 1;
}

}  // namespace

int runConfigExport(int argc, char** argv)
{
    const char* addressText = nullptr;
    const char* fileName = nullptr;
    bool force = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kExportUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--force") == 0) {
            force = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "quillmar-cli: config export: unknown option '%s'\n", argv[i]);
            std::fputs(kExportUsage, stderr);
            return 2;
        } else if (!addressText) {
            addressText = argv[i];
        } else if (!fileName) {
            fileName = argv[i];
        } else {
            std::fprintf(stderr, "quillmar-cli: config export: '%s' is one argument too many\n", argv[i]);
            return 2;
        }
    }
    if (!addressText || !fileName) {
        std::fputs(kExportUsage, stderr);
        return 2;
    }
    std::string error;
    const auto address = parseModuleAddress(addressText, error);
    if (!address) {
        std::fprintf(stderr, "quillmar-cli: config export: %s\n", error.c_str());
        return 2;
    }

    const ConfigReadResult read = readModuleConfig(*address);
    if (read.outcome == ConfigReadResult::Outcome::Failed)
        return fail(read.error);
    if (read.outcome == ConfigReadResult::Outcome::NoAnswer)
        return fail("no answer from " + formatIpv4(*address) + " (UDP port 5000) within "
                    + std::to_string(kConfigReplyWait.count()) + " ms");
    if (read.answerLength < int(kDeviceEntrySize)) {
        return fail("the module answered with " + std::to_string(read.answerLength)
                    + " bytes, not a whole record; nothing is written");
    }

    ConfigBlock block = configBlockFromRecord(read.record, *address);
    const SaveCheckOutcome check = runSaveChecks(formValuesFromRecord(read.record, *address), block);
    if (!check.passed())
        return fail(check.message.toStdString());
    CliExportPrompts prompts(force);
    if (exportData(QString::fromLocal8Bit(fileName), block, prompts) != 0)
        return 1;
    std::printf("%s\n", kExportFinishedText);
    return 0;
}

}  // namespace quillmar::cli
