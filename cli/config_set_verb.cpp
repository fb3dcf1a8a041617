// quillmar-cli config set ADDRESS FIELD=VALUE...: changes settings of one module
// as the configuration window's "Save to Module" does, and says whether the
// module took them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/save_checks.h"
#include "config/save_records.h"
#include "config/single_byte_text.h"
#include "config_field_overrides.h"
#include "config_read.h"
#include "config_verb.h"
#include "module_address.h"
#include "record/ipv4_text.h"
#include "config/opened_form_values.h"
#include "udp_save.h"

namespace quillmar::cli {

namespace {

const char kSetUsage[] =
    "Usage: quillmar-cli config set ADDRESS FIELD=VALUE... [--tick-ms MS]\n"
    "\n"
    "Reads the settings record of the module at ADDRESS, changes the given fields,\n"
    "checks the result with the configuration window's rules and saves it as the\n"
    "window's \"Save to Module\" does: the save header AA 11 55 and the 256-byte record\n"
    "from local UDP port 6000 to port 5000, a read request to ADDRESS at tick 19 and\n"
    "the verdict at tick 31 (about 31 seconds). A module that took the record restarts\n"
    "and stops answering at ADDRESS: \"Save to Module OK\", exit status 0. A module that\n"
    "still answers there after the probe has not taken it: exit status 1.\n"
    "Nothing is sent when a value breaks a rule.\n"
    "\n"
    "Fields:\n";

const char kSetOptions[] =
    "\n"
    "Options:\n"
    "  --tick-ms MS   length of one tick of the timed check (default 1000)\n"
    "\n"
    "Example:\n"
    "  quillmar-cli config set 192.0.2.20 ssid=ShopNet authmode=WPA2PSK encrytype=AES wpapsk=secret\n";

void printSetUsage(std::FILE* out)
{
    std::fputs(kSetUsage, out);
    for (const QString& line : settableFieldHelp())
        std::fprintf(out, "  %s\n", line.toLocal8Bit().constData());
    std::fputs(kSetOptions, out);
}

int fail(const QString& message)
{
    std::fprintf(stderr, "quillmar-cli: config set: %s\n", message.toLocal8Bit().constData());
    return 1;
}

int fail(const std::string& message)
{
    return fail(QString::fromStdString(message));
}

// The window sends the WEP key only with WEP encryption and the WPA key only
// without it; a key given for the other case would silently not arrive.
void noteUnsentKeys(const std::vector<FieldOverride>& overrides, const ConfigFormValues& values)
{
    const bool wep = values.encryType == QLatin1String("WEP");
    for (const FieldOverride& o : overrides) {
        if (o.field == "key" && !wep)
            std::fprintf(stderr, "quillmar-cli: config set: note: the WEP key is sent only with encrytype WEP\n");
        if (o.field == "wpapsk" && wep)
            std::fprintf(stderr, "quillmar-cli: config set: note: the WPA key is not sent with encrytype WEP\n");
    }
}

}  // namespace

int runConfigSet(int argc, char** argv)
{
    const char* addressText = nullptr;
    std::vector<std::string> words;
    long tickMs = long(kSaveTickInterval.count());
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printSetUsage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--tick-ms") == 0) {
            char* end = nullptr;
            tickMs = i + 1 < argc ? std::strtol(argv[++i], &end, 10) : 0;
            if (!end || *end != '\0' || tickMs < 1 || tickMs > 60000) {
                std::fputs("quillmar-cli: config set: --tick-ms needs a number of milliseconds (1-60000)\n", stderr);
                return 2;
            }
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "quillmar-cli: config set: unknown option '%s'\n", argv[i]);
            printSetUsage(stderr);
            return 2;
        } else if (!addressText) {
            addressText = argv[i];
        } else {
            words.emplace_back(argv[i]);
        }
    }
    if (!addressText || words.empty()) {
        printSetUsage(stderr);
        return 2;
    }
    std::string error;
    const auto address = parseModuleAddress(addressText, error);
    if (!address) {
        std::fprintf(stderr, "quillmar-cli: config set: %s\n", error.c_str());
        return 2;
    }
    const auto overrides = parseFieldOverrides(words, error);
    if (!overrides) {
        std::fprintf(stderr, "quillmar-cli: config set: %s\n", error.c_str());
        return 2;
    }
    if (const auto message = checkFieldOverrides(*overrides))
        return fail(*message);

    const ConfigReadResult read = readModuleConfig(*address);
    const std::string where = formatIpv4(*address);
    if (read.outcome == ConfigReadResult::Outcome::Failed)
        return fail(read.error);
    if (read.outcome == ConfigReadResult::Outcome::NoAnswer)
        return fail("no answer from " + where + " (UDP port 5000) within "
                    + std::to_string(kConfigReplyWait.count()) + " ms");
    if (read.answerLength < int(kDeviceEntrySize)) {
        return fail("the module answered with " + std::to_string(read.answerLength)
                    + " bytes, not a whole record; nothing is saved");
    }

    ConfigFormValues values = formValuesFromRecord(read.record, *address);
    if (const auto message = applyFieldOverrides(*overrides, values))
        return fail(*message);
    ConfigBlock block = configBlockFromRecord(read.record, *address);
    const SaveCheckOutcome check = runSaveChecks(values, block);
    if (!check.passed())
        return fail(check.message);
    noteUnsentKeys(*overrides, values);

    const DeviceEntry record = buildUdpSaveRecord(values, block);
    const QString target = QString::fromStdString(where);
    std::printf("Saving to %s; the verdict comes in about %ld seconds\n", where.c_str(),
                long((kDecidingTick + 1) * tickMs / 1000));
    std::fflush(stdout);
    const UdpSaveResult result =
        saveOverUdp(record, target, target, std::chrono::milliseconds(tickMs), [](const QString& status) {
            std::printf("%s\n", status.toLocal8Bit().constData());
            std::fflush(stdout);
        });
    switch (result.outcome) {
    case UdpSaveResult::Outcome::Confirmed:
        return 0;
    case UdpSaveResult::Outcome::Unconfirmed:
        return fail("the module still answers at " + where + " after the probe: the save was not confirmed");
    case UdpSaveResult::Outcome::Failed:
        break;
    }
    return fail(result.error);
}

}  // namespace quillmar::cli
