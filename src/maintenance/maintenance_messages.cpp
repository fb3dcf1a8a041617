#include "maintenance/maintenance_messages.h"

#include "maintenance/host_table_helpers.h"
#include "maintenance/maintenance_result.h"
#include "record/login_token.h"

namespace quillmar {

OutcomeMessage errorOutcome(std::string text)
{
    return {"Error", std::move(text), false};
}

std::optional<OutcomeMessage> sessionFailureOutcome(int code)
{
    using namespace maintenance;
    switch (code) {
    case kMissingPrivilege:
        return errorOutcome(missingPrivilegeText());
    case kBadLoginKey:
        return errorOutcome(std::string(kLoginKeyVariable) + " must be 32 hexadecimal digits");
    case kLoginRefused:
        return errorOutcome("login to device failed");
    case kLoginFailed:
        return errorOutcome("send command failed");
    case kOpenFileFailed:
        return errorOutcome("open file failed");
    default:
        return std::nullopt;
    }
}

std::optional<OutcomeMessage> rebootOutcome(int code)
{
    using namespace maintenance;
    switch (code) {
    case kOk:
        return OutcomeMessage{"Finished", "Device rebooting now! \r\nBroadcast search to refresh table?", true};
    case kNotConnected:
        return errorOutcome("connect to device failed 4");
    default:
        return sessionFailureOutcome(code);
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
        return errorOutcome("initialize serial port failed");
    case kNotConnected:
        return errorOutcome("connect to device failed 1");
    case kSerialFailed:
        return errorOutcome("serial read/write failed");
    case kLoaderMenuFailed:
        return errorOutcome("recv loader menu failed");
    case kDownloadFailed:
        return errorOutcome("download file failed");
    default:
        return sessionFailureOutcome(code);
    }
}

std::string upgradeStopQuestion()
{
    return std::string("Stop the upgrade? ") + kStaysInLoaderText;
}

OutcomeMessage upgradeStoppedOutcome()
{
    return errorOutcome(std::string("The upgrade was stopped. ") + kStaysInLoaderText);
}

std::string upgradeStoppedQuestion(const std::string& portName)
{
    return upgradeStoppedOutcome().text
           + "\r\n\r\nTo finish, start the upgrade again with the printer in its loader: the image goes over "
           + portName
           + " straight to the loader, without the network hand-over (a printer in its loader does not answer "
             "on the network).\r\n\r\nStart the upgrade again now?";
}

}  // namespace quillmar
