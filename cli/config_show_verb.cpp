// quillmar-cli config show ADDRESS [--json]: asks one module for its settings
// record and prints it.
#include <cstdio>
#include <cstring>
#include <string>

#include "config_read.h"
#include "config_verb.h"
#include "module_address.h"
#include "record_printing.h"

namespace quillmar::cli {

namespace {

const char kShowUsage[] =
    "Usage: quillmar-cli config show ADDRESS [--json]\n"
    "\n"
    "Sends the read request to the module at ADDRESS (UDP port 5000, from local\n"
    "port 6000) and prints the settings record it answers with.\n"
    "  --json   print the record as a JSON object\n";

}  // namespace

int runConfigShow(int argc, char** argv)
{
    const char* addressText = nullptr;
    bool json = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kShowUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "quillmar-cli: config show: unknown option '%s'\n", argv[i]);
            std::fputs(kShowUsage, stderr);
            return 2;
        } else if (addressText) {
            std::fprintf(stderr, "quillmar-cli: config show: one ADDRESS only ('%s' is extra)\n", argv[i]);
            return 2;
        } else {
            addressText = argv[i];
        }
    }
    if (!addressText) {
        std::fputs(kShowUsage, stderr);
        return 2;
    }

    std::string error;
    const auto address = parseModuleAddress(addressText, error);
    if (!address) {
        std::fprintf(stderr, "quillmar-cli: config show: %s\n", error.c_str());
        return 2;
    }

    const ConfigReadResult result = readModuleConfig(*address);
    switch (result.outcome) {
    case ConfigReadResult::Outcome::Failed:
        std::fprintf(stderr, "quillmar-cli: config show: %s\n", result.error.c_str());
        return 1;
    case ConfigReadResult::Outcome::NoAnswer:
        std::fprintf(stderr, "quillmar-cli: config show: no answer from %s (UDP port %u) within %lld ms\n",
                     addressText, unsigned(kModulePort), static_cast<long long>(kConfigReplyWait.count()));
        return 1;
    case ConfigReadResult::Outcome::Answered:
        break;
    }
    if (result.answerLength < int(kDeviceEntrySize)) {
        std::fprintf(stderr, "quillmar-cli: config show: the answer was %d bytes, not %zu; the fields it "
                             "does not cover are empty\n",
                     result.answerLength, kDeviceEntrySize);
    }
    if (json)
        printRecordJson(stdout, result.record);
    else
        printRecordTable(stdout, result.record);
    return 0;
}

}  // namespace quillmar::cli
