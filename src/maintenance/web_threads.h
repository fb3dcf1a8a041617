#pragma once
// The configuration window's web image workers: convertThread builds an image
// from a directory, uploadThread puts one into the module. Both run behind the
// shared progress window like every maintenance worker and write their code
// into the status cell of the window that started them.
#include <string>

#include "maintenance/maintenance_thread.h"

namespace quillmar {

class convertThread final : public MaintenanceThread {
    Q_OBJECT
public:
    convertThread(MaintenanceStatus status, std::string outputPath, std::string sourceDirectory);

    QString startText() const override { return QStringLiteral("Convert..."); }
    QString exceptionLine() const override { return QStringLiteral("convertThread Exception"); }

protected:
    int runSteps(const MaintenanceRequest& request, const SessionEnvironment& environment) override;

private:
    std::string outputPath_;
    std::string sourceDirectory_;
};

class uploadThread final : public MaintenanceThread {
    Q_OBJECT
public:
    // The request's file path is the image; its password the device's key text.
    uploadThread(MaintenanceStatus status, MaintenanceRequest request, SessionEnvironment environment);

    QString startText() const override { return QStringLiteral("Uploading..."); }
    QString exceptionLine() const override { return QStringLiteral("uploadThread Exception"); }

protected:
    int runSteps(const MaintenanceRequest& request, const SessionEnvironment& environment) override;
};

}  // namespace quillmar
