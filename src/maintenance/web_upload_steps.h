#pragma once
// The body of the web image upload, without threads or windows: the
// configuration window's uploadThread runs it on its thread, `quillmar-cli web
// upload` on its own. It logs in over the device session, sends "$SYCN" so
// that the module gets ready, closes the TCP connection and writes the image by
// TFTP while the temporary route and neighbour entry are still in place; both
// go at the end, in every outcome.
#include "maintenance/device_session.h"
#include "maintenance/maintenance_request.h"

namespace quillmar::maintenance {
// The upload's own result codes, beside the session's.
inline constexpr int kSendRequestFailed = -7;  // "send request failed"
inline constexpr int kTftpPutFailed = -8;      // "tftp put failed"
}  // namespace quillmar::maintenance

namespace quillmar {

// Uploads the request's file (logged in with the request's password): 0, -1 to
// -8, or -11/-12 before anything is sent. A file that is not there, not a
// regular file or empty gives -4, and a name too long for a TFTP request -7,
// both before the module is reached.
int runWebUploadSteps(const MaintenanceRequest& request, const SessionEnvironment& environment);

}  // namespace quillmar
