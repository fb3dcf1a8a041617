#include "maintenance/maintenance_journal.h"

#include "history/write_journal.h"

namespace quillmar {

QString outcomeVerdict(const std::optional<OutcomeMessage>& outcome)
{
    return outcome ? QString::fromStdString(outcome->text) : QStringLiteral("stopped");
}

QString imageLine(const AuditImage& image)
{
    return QStringLiteral("Image: %1 bytes, SHA-256 %2").arg(image.size).arg(image.sha256);
}

void journalMaintenance(const QString& operation, const MaintenanceRequest& request,
                        const std::optional<AuditImage>& image, const QString& verdict,
                        const std::function<void(const QString&)>& complain)
{
    WriteJournal journal(operation, QString::fromStdString(request.deviceIp));
    journal.setMacAddress(QString::fromStdString(request.deviceMac.substr(0, 17)));
    if (image)
        journal.setImage(*image);
    if (const std::optional<QString> failed = journal.finish(verdict); failed && complain)
        complain(QStringLiteral("audit log: ") + *failed);
}

}  // namespace quillmar
