#include "maintenance/loader_exchange.h"

#include <string>

#include "maintenance/maintenance_result.h"
#include "maintenance/xmodem_sender.h"

namespace quillmar {
namespace {

// Collects what the loader prints for the collect time: the count, or a
// negative code of readSerial.
int collect(SerialLine& line, std::string& text)
{
    text.clear();
    return line.readSerial(0, text);
}

}  // namespace

int serialLoaderExchange(SerialLine& line, std::FILE* file, long fileSize, const XmodemLimits& limits,
                         MaintenanceProgress& progress, const std::atomic<bool>* stopRequested)
{
    using namespace maintenance;
    progress.setText("enter serial loader...");
    std::string text;
    int count = collect(line, text);
    if (count < 0)
        return count;
    if (count == 0 || text.find("Update") == std::string::npos)
        return kLoaderMenuFailed;
    if (line.writeSerial("U", 1) <= 0)
        return kSerialFailed;
    count = collect(line, text);
    if (count < 0)
        return count;
    if (count == 0 || text.find("Downloading") == std::string::npos)
        return kLoaderMenuFailed;

    progress.setText("downloading...");
    const int sent = xmodemSend(line, file, fileSize, limits, progress, stopRequested);
    if (sent == kStopped)
        return kStopped;
    if (sent != 0)
        return kDownloadFailed;

    progress.advanceBar(kPrgBarMaximum);
    // What the loader says after the download is not needed; "U" again
    // confirms the new image to it.
    (void)collect(line, text);
    (void)line.writeSerial("U", 1);
    return kOk;
}

}  // namespace quillmar
