#include "write/cable_write.h"

namespace quillmar {

CableWrite writeOverCable(SettingsChannel& channel, WriteRequest request, const QString& operation,
                          const KeepAlive& keepAlive, const DirectSettingsTiming& timing,
                          const BeforeCableWrite& beforeWrite)
{
    CableWrite outcome;
    const DirectReadResult read = readDirectSettings(channel, keepAlive, timing);
    outcome.device = read.device;
    if (!read.mayBeWrittenBack()) {
        const bool found = !read.device.isEmpty() && read.device != QLatin1String("None");
        outcome.message = QStringLiteral("the printer's record could not be read%1 just before the write (%2)")
                              .arg(found ? QStringLiteral(" on ") + read.device : QString(),
                                   read.reason.isEmpty() ? QStringLiteral("no whole record") : read.reason);
        WritePlan unread;
        unread.mac = request.chosenMac;
        outcome.auditFailure =
            PlannedWrite(operation, read.device, unread).finish(QStringLiteral("refused: ") + outcome.message);
        return outcome;
    }
    request.where = read.device;
    request.onCable = true;
    PlannedWrite write(operation, read.device, planWrite(request, QByteArray(read.record.data(), read.recordBytes)));
    outcome.plan = write.plan();
    if (write.plan().refused()) {
        outcome.outcome = CableWrite::Outcome::Refused;
        outcome.message = write.plan().refusal;
        outcome.auditFailure = write.finishRefused();
        return outcome;
    }
    // Nothing was attempted: no account of a write to keep.
    if (beforeWrite) {
        if (std::optional<QString> declined = beforeWrite(write.plan(), read.device)) {
            outcome.outcome = CableWrite::Outcome::NotConfirmed;
            outcome.message = *declined;
            return outcome;
        }
    }
    if (const std::optional<QString> failed = write.backUp()) {
        outcome.outcome = CableWrite::Outcome::NoBackup;
        outcome.message = *failed;
        outcome.auditFailure = write.finish(QStringLiteral("refused: no backup"));
        return outcome;
    }
    const DirectWriteResult result = writeDirectSettings(channel, write.plan().record);
    outcome.device = result.device;
    outcome.outcome = result.ok() ? CableWrite::Outcome::Written : CableWrite::Outcome::Failed;
    outcome.message = result.reason;
    outcome.auditFailure = write.finish(result.ok() ? QStringLiteral("written")
                                                    : QStringLiteral("failed: ") + result.reason);
    return outcome;
}

}  // namespace quillmar
