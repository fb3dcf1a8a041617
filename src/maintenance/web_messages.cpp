#include "maintenance/web_messages.h"

#include "maintenance/maintenance_result.h"
#include "maintenance/web_image_builder.h"
#include "maintenance/web_upload_steps.h"

namespace quillmar {
std::optional<OutcomeMessage> convertOutcome(int code)
{
    using namespace webbuild;
    switch (code) {
    case kOk:
        return OutcomeMessage{"Finished", "Convert finished", false};
    case kCreateFailed:
        return errorOutcome("create file failed");
    case kWriteFailed:
        return errorOutcome("write file failed");
    case kConvertFailed:
        return errorOutcome("convert file failed");
    case kNameTooLong:
        return errorOutcome("convert file name should be 13 at most");
    case kImageTooLarge:
        return errorOutcome("output file size is limited, 64640 bytes at most");
    case kNoIndex:
        return errorOutcome("index.html not found");
    default:
        return std::nullopt;
    }
}

std::optional<OutcomeMessage> uploadOutcome(int code)
{
    using namespace maintenance;
    switch (code) {
    case kOk:
        return OutcomeMessage{"Finished", "Upload finished", false};
    case kNotConnected:
        return errorOutcome("connect to device failed 3");
    case kSendRequestFailed:
        return errorOutcome("send request failed");
    case kTftpPutFailed:
        return errorOutcome("tftp put failed");
    default:
        return sessionFailureOutcome(code);
    }
}

}  // namespace quillmar
