#include "maintenance/web_messages.h"

#include "maintenance/maintenance_result.h"
#include "maintenance/web_image_builder.h"
#include "maintenance/web_upload_steps.h"

namespace quillmar {
namespace {

OutcomeMessage error(std::string text)
{
    return {"Error", std::move(text), false};
}

}  // namespace

std::optional<OutcomeMessage> convertOutcome(int code)
{
    using namespace webbuild;
    switch (code) {
    case kOk:
        return OutcomeMessage{"Finished", "Convert finished", false};
    case kCreateFailed:
        return error("create file failed");
    case kWriteFailed:
        return error("write file failed");
    case kConvertFailed:
        return error("convert file failed");
    case kNameTooLong:
        return error("convert file name should be 13 at most");
    case kImageTooLarge:
        return error("output file size is limited, 64640 bytes at most");
    case kNoIndex:
        return error("index.html not found");
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
        return error("connect to device failed 3");
    case kOpenFileFailed:
        return error("open file failed");
    case kLoginRefused:
        return error("login to device failed");
    case kLoginFailed:
        return error("send command failed");
    case kSendRequestFailed:
        return error("send request failed");
    case kTftpPutFailed:
        return error("tftp put failed");
    case kMissingPrivilege:
    case kBadLoginKey:
        // Nothing was sent; the words are those of every session.
        return rebootOutcome(code);
    default:
        return std::nullopt;
    }
}

}  // namespace quillmar
