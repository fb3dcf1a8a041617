#pragma once
// The audit line of a maintenance operation on a device (reboot, upgrade, web
// upload), from the manager and the command line alike: the device, the image
// sent (its size and SHA-256) and the operation's outcome in its own words.
#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include "history/audit_log.h"
#include "maintenance/maintenance_messages.h"
#include "maintenance/maintenance_request.h"

namespace quillmar {

// The audit verdict of a worker's outcome: its message, or "stopped" when the
// user is not told of one (a cancelled worker).
QString outcomeVerdict(const std::optional<OutcomeMessage>& outcome);

// "Image: 65536 bytes, SHA-256 0a1b..." for the start of an upgrade or upload.
QString imageLine(const AuditImage& image);

// Appends the line; `complain` hears why when the log could not be written.
void journalMaintenance(const QString& operation, const MaintenanceRequest& request,
                        const std::optional<AuditImage>& image, const QString& verdict,
                        const std::function<void(const QString&)>& complain);

}  // namespace quillmar
