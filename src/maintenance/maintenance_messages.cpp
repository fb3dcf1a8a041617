#include "maintenance/maintenance_messages.h"

#include "maintenance/host_table_helpers.h"
#include "maintenance/login_token.h"
#include "maintenance/maintenance_result.h"

namespace quillmar {
namespace {

OutcomeMessage error(std::string text)
{
    return {"Error", std::move(text), false};
}

// Failures before anything was sent, the same for both operations.
std::optional<OutcomeMessage> prerequisiteOutcome(int code)
{
    if (code == maintenance::kMissingPrivilege)
        return error(missingPrivilegeText());
    if (code == maintenance::kBadLoginKey)
        return error(std::string(kLoginKeyVariable) + " must be 32 hexadecimal digits");
    return std::nullopt;
}

}  // namespace

std::optional<OutcomeMessage> rebootOutcome(int code)
{
    using namespace maintenance;
    switch (code) {
    case kOk:
        return OutcomeMessage{"Finished", "Device rebooting now! \r\nBroadcast search to refresh table?", true};
    case kNotConnected:
        return error("connect to device failed 4");
    case kLoginRefused:
        return error("login to device failed");
    case kLoginFailed:
        return error("send command failed");
    default:
        return prerequisiteOutcome(code);
    }
}

std::optional<OutcomeMessage> upgradeOutcome(int code)
{
    using namespace maintenance;
    switch (code) {
    case kOk:
        return OutcomeMessage{
            "Finished", "Upgrade firmware OK! \r\nDevice rebooting now! \r\nBroadcast search to refresh table?", true};
    case kNoDeviceOrSerialPort:
        return error("initialize serial port failed");
    case kNotConnected:
        return error("connect to device failed 1");
    case kOpenFileFailed:
        return error("open file failed");
    case kLoginRefused:
        return error("login to device failed");
    case kLoginFailed:
        return error("send command failed");
    case kSerialFailed:
        return error("serial read/write failed");
    case kLoaderMenuFailed:
        return error("recv loader menu failed");
    case kDownloadFailed:
        return error("download file failed");
    default:
        return prerequisiteOutcome(code);
    }
}

}  // namespace quillmar
