#include "maintenance/web_threads.h"

#include "maintenance/web_image_builder.h"
#include "maintenance/web_upload_steps.h"

namespace quillmar {

convertThread::convertThread(MaintenanceStatus status, std::string outputPath, std::string sourceDirectory)
    : MaintenanceThread(MaintenanceRequest{}, SessionEnvironment{}, std::move(status)),
      outputPath_(std::move(outputPath)), sourceDirectory_(std::move(sourceDirectory))
{
}

int convertThread::runSteps(const MaintenanceRequest&, const SessionEnvironment& environment)
{
    return buildWebImage(sourceDirectory_, outputPath_, *environment.progress, environment.stopRequested).code;
}

uploadThread::uploadThread(MaintenanceStatus status, MaintenanceRequest request, SessionEnvironment environment)
    : MaintenanceThread(std::move(request), std::move(environment), std::move(status))
{
}

int uploadThread::runSteps(const MaintenanceRequest& request, const SessionEnvironment& environment)
{
    return runWebUploadSteps(request, environment);
}

}  // namespace quillmar
