#include "maintenance/web_upload_steps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>

#include "maintenance/maintenance_result.h"
#include "maintenance/tftp_client.h"
#include "record/module_protocol.h"

namespace quillmar {
namespace {

// The image, open for reading: a regular file that is not empty.
class ImageSource {
public:
    ImageSource() = default;
    ImageSource(const ImageSource&) = delete;
    ImageSource& operator=(const ImageSource&) = delete;
    ~ImageSource()
    {
        if (fd >= 0)
            ::close(fd);
    }

    // The reason it cannot be sent, or nothing.
    std::optional<std::string> open(const std::string& path)
    {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return std::strerror(errno);
        struct stat status {};
        if (::fstat(fd, &status) != 0)
            return std::strerror(errno);
        if (!S_ISREG(status.st_mode))
            return "not a regular file";
        if (status.st_size <= 0)
            return "empty";
        size = static_cast<std::uint64_t>(status.st_size);
        return std::nullopt;
    }

    int fd = -1;
    std::uint64_t size = 0;
};

}  // namespace

int runWebUploadSteps(const MaintenanceRequest& request, const SessionEnvironment& environment)
{
    using namespace maintenance;
    MaintenanceProgress& progress = *environment.progress;
    DeviceSession session(request, true, environment);
    if (const int refused = session.checkPrerequisites())
        return refused;

    ImageSource image;
    if (const std::optional<std::string> why = image.open(request.filePath)) {
        progress.log("web image " + request.filePath + ": " + *why);
        return kOpenFileFailed;
    }
    const std::optional<std::string> writeRequest = tftpWriteRequest(tftpFileName(request.filePath), image.size);
    if (!writeRequest) {
        progress.log("web image " + request.filePath + ": the name does not fit a TFTP request");
        return kSendRequestFailed;
    }

    if (const int reached = session.reachDevice())
        return reached;
    const int loggedIn = session.loginAndCommand(kWebUploadLine.data(), static_cast<int>(kWebUploadLine.size()));
    session.closeConnection();
    if (loggedIn != kOk)
        return loggedIn;

    if (environment.stopRequested && environment.stopRequested->load())
        return kStopped;
    std::this_thread::sleep_for(environment.timing.tftp.startPause);
    TftpUpload upload(session.deviceAddress(), environment.timing.tftp, progress, environment.stopRequested);
    TftpUpload::Result result = upload.sendRequest(*writeRequest);
    if (result == TftpUpload::kDone)
        result = upload.sendData(image.fd, image.size);
    else if (result == TftpUpload::kFailed)
        return kSendRequestFailed;
    session.releaseDevice();
    if (result == TftpUpload::kStopped)
        return kStopped;
    return result == TftpUpload::kDone ? kOk : kTftpPutFailed;
}

}  // namespace quillmar
