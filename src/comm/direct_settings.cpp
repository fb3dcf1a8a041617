#include "comm/direct_settings.h"

#include <algorithm>
#include <exception>

#include "record/record_check.h"

namespace quillmar {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr qsizetype kRecordSize = qsizetype(kDeviceEntrySize);

// Closes the channel on every way out of an exchange.
class OpenChannel {
public:
    // A channel whose open fails holds nothing, so there is nothing to close.
    explicit OpenChannel(SettingsChannel& channel) : channel_(channel) { channel_.open(); }
    ~OpenChannel() { channel_.close(); }
    OpenChannel(const OpenChannel&) = delete;
    OpenChannel& operator=(const OpenChannel&) = delete;

private:
    SettingsChannel& channel_;
};

milliseconds remainingUntil(Clock::time_point deadline)
{
    const auto left = deadline - Clock::now();
    return left <= Clock::duration::zero() ? milliseconds(0) : std::chrono::ceil<milliseconds>(left);
}

// Collects up to `wanted` bytes in reads of at most `piece` until `limit` has
// passed, letting the caller's window run between reads.
QByteArray collectReply(SettingsChannel& channel, qsizetype wanted, qsizetype piece, milliseconds limit,
                        const KeepAlive& keepAlive, milliseconds slice)
{
    QByteArray reply;
    const Clock::time_point deadline = Clock::now() + limit;
    while (reply.size() < wanted) {
        const milliseconds left = remainingUntil(deadline);
        if (left == milliseconds(0))
            break;
        reply += channel.read(std::min(piece, wanted - reply.size()), std::min(left, slice));
        if (keepAlive)
            keepAlive();
    }
    return reply;
}

// "1 s", or "300 ms" for a wait that is not whole seconds.
QString waitText(milliseconds limit)
{
    if (limit.count() > 0 && limit.count() % 1000 == 0)
        return QStringLiteral("%1 s").arg(limit.count() / 1000);
    return QStringLiteral("%1 ms").arg(limit.count());
}

QString noReplyReason(const QByteArray& received, qsizetype expected, milliseconds limit)
{
    if (received.isEmpty())
        return QStringLiteral("no reply within %1").arg(waitText(limit));
    return QStringLiteral("%1 of %2 reply bytes within %3").arg(received.size()).arg(expected).arg(waitText(limit));
}

}  // namespace

bool DirectReadResult::asksToReadAgain() const
{
    return record.text(DeviceField::ModelName) == kReadAgainModelName;
}

bool DirectReadResult::mayBeWrittenBack() const
{
    return ok() && recordBytes == kRecordSize && !asksToReadAgain();
}

QString firstBytesText(const DeviceEntry& record)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(record.data());
    return QStringLiteral("%1,%2,%3,%4")
        .arg(bytes[0], 0, 16)
        .arg(bytes[1], 0, 16)
        .arg(bytes[2], 0, 16)
        .arg(bytes[3], 0, 16);
}

DirectReadResult readDirectSettings(SettingsChannel& channel, const KeepAlive& keepAlive,
                                    const DirectSettingsTiming& timing)
{
    const bool com = channel.transport() == SettingsTransport::Com;
    const qsizetype leading = com ? kComReplyLeadingBytes : 0;
    const qsizetype expected = leading + kRecordSize;
    const milliseconds limit = com ? timing.comReplyWait : timing.usbReplyWait;

    QByteArray received;
    try {
        OpenChannel open(channel);
        channel.write(kDirectReadCommand);
        received = collectReply(channel, expected, com ? expected : kUsbReadPiece, limit, keepAlive,
                                timing.keepAliveSlice);
    } catch (const NoSettingsDeviceError& error) {
        DirectReadResult result;
        result.outcome = DirectReadOutcome::NoDevice;
        result.reason = QString::fromLocal8Bit(error.what());
        result.device = channel.deviceName();
        return result;
    } catch (const std::exception& error) {
        DirectReadResult result;
        result.outcome = DirectReadOutcome::Failed;
        result.reason = QString::fromLocal8Bit(error.what());
        result.device = channel.deviceName();
        return result;
    }
    DirectReadResult result = directReadReply(channel.transport(), received, limit);
    result.device = channel.deviceName();
    return result;
}

DirectReadResult directReadReply(SettingsTransport transport, const QByteArray& received, milliseconds limit)
{
    const bool com = transport == SettingsTransport::Com;
    const qsizetype leading = com ? kComReplyLeadingBytes : 0;
    DirectReadResult result;
    result.received = received;
    const QByteArray body = received.mid(std::min(leading, received.size()));
    result.record = DeviceEntry::fromBytes(body.constData(), std::size_t(body.size()));
    result.recordBytes = std::min(body.size(), kRecordSize);
    // On USB the reply is complete or nothing: a printer that stopped part way
    // through is not believed.
    const bool incomplete = com ? body.isEmpty() : body.size() < kRecordSize;
    if (incomplete) {
        result.outcome = DirectReadOutcome::NoReply;
        result.reason = noReplyReason(received, leading + kRecordSize, limit);
    } else if (!com && isBlankRecord(result.record)) {
        result.outcome = DirectReadOutcome::BlankRecord;
        result.reason = QStringLiteral("the printer's record is blank (all %1 bytes zero)").arg(kRecordSize);
    } else if (com && result.record.data()[0] == 0) {
        result.outcome = DirectReadOutcome::NoReply;
        result.reason =
            QStringLiteral("the reply's record starts with a zero byte (%1)").arg(firstBytesText(result.record));
    } else if (result.asksToReadAgain()) {
        // The printer's way of asking for the read again; its other bytes mean nothing.
        result.outcome = DirectReadOutcome::RecordRead;
    } else if (const std::optional<std::string> problem = recordParseProblem(result.record)) {
        result.outcome = DirectReadOutcome::NotARecord;
        result.reason = QStringLiteral("the printer's record does not parse: ") + QString::fromStdString(*problem);
    } else {
        result.outcome = DirectReadOutcome::RecordRead;
    }
    return result;
}

DirectWriteResult writeDirectSettings(SettingsChannel& channel, const DeviceEntry& record)
{
    DirectWriteResult result;
    try {
        OpenChannel open(channel);
        channel.write(kDirectWriteCommand);
        if (channel.transport() == SettingsTransport::Com) {
            // The printer takes the record one character per write.
            for (std::size_t i = 0; i < record.size(); ++i)
                channel.write(QByteArray(1, record.data()[i]));
        } else {
            channel.write(QByteArray(record.data(), kRecordSize));
        }
        result.outcome = DirectWriteOutcome::Written;
    } catch (const NoSettingsDeviceError& error) {
        result.outcome = DirectWriteOutcome::NoDevice;
        result.reason = QString::fromLocal8Bit(error.what());
    } catch (const std::exception& error) {
        result.outcome = DirectWriteOutcome::Failed;
        result.reason = QString::fromLocal8Bit(error.what());
    }
    result.device = channel.deviceName();
    return result;
}

}  // namespace quillmar
