#include "config/save_exchange.h"

#include <exception>
#include <utility>

#include "record/ipv4_text.h"

namespace quillmar {

SaveExchange::SaveExchange(SaveExchangeHost& host, std::chrono::milliseconds tickInterval, QObject* parent)
    : SaveExchange(host, ExternalTicks{}, parent)
{
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(tickInterval);
    connect(timer_, &QTimer::timeout, this, &SaveExchange::tick);
}

SaveExchange::SaveExchange(SaveExchangeHost& host, QTimer& timer, QObject* parent)
    : SaveExchange(host, ExternalTicks{}, parent)
{
    timer_ = &timer;
    connect(timer_, &QTimer::timeout, this, &SaveExchange::tick);
}

SaveExchange::SaveExchange(SaveExchangeHost& host, ExternalTicks, QObject* parent) : QObject(parent), host_(host)
{
    readTimer_.setSingleShot(true);
    readTimer_.setTimerType(Qt::PreciseTimer);
    readTimer_.setInterval(kReadAnswerWait);
    connect(&readTimer_, &QTimer::timeout, this, &SaveExchange::readTimedOut);
}

void SaveExchange::setReadWait(std::chrono::milliseconds wait)
{
    readTimer_.setInterval(wait);
}

QString SaveExchange::waitingText(int ticks)
{
    static const char* const texts[] = {"Waiting.", "Waiting..", "Waiting...", "Waiting...."};
    return QString::fromLatin1(texts[ticks % 4]);
}

void SaveExchange::setStatus(const QString& text)
{
    host_.showStatus(text);
}

void SaveExchange::setAnswerState(const QString& state)
{
    answerState_ = state;
    host_.showAnswerState(state);
}

bool SaveExchange::send(const QString& address, const QByteArray& datagram)
{
    try {
        host_.sendDatagram(address, kModulePort, datagram);
        return true;
    } catch (const std::exception& error) {
        // A record that never left the PC, or a probe that could not go out,
        // leaves nothing to decide: the save must not be reported saved later.
        stop();
        host_.sendRefused(QString::fromUtf8(error.what()));
        return false;
    }
}

bool SaveExchange::startSave(const DeviceEntry& record, const QString& targetAddress, const QString& probeAddress)
{
    setTargetAddress(targetAddress);
    return startSave(record, probeAddress);
}

bool SaveExchange::readThenSave(const QString& probeAddress, SavePlanner planner)
{
    saveTicks_ = 0;
    probeSent_ = false;
    probeAddress_ = probeAddress;
    planner_ = std::move(planner);
    host_.saveStarting();
    phase_ = Phase::Reading;
    setStatus(QStringLiteral("Waiting..."));
    if (!send(targetAddress_, kReadRequest))
        return false;
    readTimer_.start();
    return true;
}

void SaveExchange::readAnswered(const QByteArray& answer)
{
    readTimer_.stop();
    readAnswer_ = answer;
    const SavePlanner planner = std::exchange(planner_, nullptr);
    phase_ = Phase::Planning;
    const std::optional<DeviceEntry> record = planner ? planner(answer) : std::nullopt;
    if (phase_ != Phase::Planning)
        return;  // stopped while the planner ran
    if (!record) {
        phase_ = Phase::Idle;
        return;
    }
    startSave(*record, probeAddress_);
}

void SaveExchange::readTimedOut()
{
    if (phase_ != Phase::Reading)
        return;
    phase_ = Phase::Idle;
    planner_ = nullptr;
    host_.readUnanswered();
}

bool SaveExchange::startSave(const DeviceEntry& record, const QString& probeAddress)
{
    readTimer_.stop();
    planner_ = nullptr;
    saveTicks_ = 0;
    probeSent_ = false;
    probeAddress_ = probeAddress;
    // Where the module answers after the save: a STATIC one at the address the
    // record gives it, one on DHCP where its lease puts it, most likely where
    // it answers now.
    savedAddress_ = record.text(DeviceField::IpMode).substr(0, 1) == "D"
                        ? targetAddress_
                        : QString::fromStdString(record.text(DeviceField::IpAddress));
    host_.saveStarting();
    phase_ = Phase::Saving;
    if (timer_)
        timer_->start();
    setStatus(QStringLiteral("Waiting..."));
    setAnswerState(QLatin1String(kNoAnswer));
    if (!send(targetAddress_, kSaveHeader)
        || !send(targetAddress_, QByteArray(record.data(), static_cast<qsizetype>(record.size()))))
        return false;
    host_.saveSent();
    return true;
}

bool SaveExchange::requestRead()
{
    setStatus(QStringLiteral("Waiting..."));
    return send(targetAddress_, kReadRequest);
}

void SaveExchange::tick()
{
    if (phase_ != Phase::Saving)
        return;
    switch (saveTicks_) {
    case kProbeTick:
        probeSent_ = true;
        if (!send(probeAddress_, kReadRequest))
            return;
        saveTicks_ = kProbeTick + 1;
        return;
    case kSilentTick:
        saveTicks_ = kSilentTick + 1;
        return;
    case kDecidingTick:
        decide();
        return;
    default:
        ++saveTicks_;
        setStatus(waitingText(saveTicks_));
        return;
    }
}

void SaveExchange::decide()
{
    stop();
    saveTicks_ = 0;
    if (answerState_ == QLatin1String(kNoAnswer)) {
        setStatus(QLatin1String(kSaveConfirmed));
        // The module now lives at the address it was given: a second save or
        // read goes there, and its probe asks the module there.
        targetAddress_ = savedAddress_;
        probeAddress_ = savedAddress_;
        host_.saveConfirmed();
    } else {
        // Waiting on would never end while the module keeps answering, and the
        // user could neither save again nor leave the window but by its close box.
        setStatus(QLatin1String(kSaveNotConfirmed));
        host_.saveUnconfirmed();
    }
}

bool SaveExchange::isFrom(const QString& expected, const QString& fromAddress)
{
    const auto from = parseIpv4(fromAddress.toStdString());
    return from && from == parseIpv4(expected.toStdString());
}

bool SaveExchange::isFromModule(const QByteArray& datagram, const QString& fromAddress) const
{
    // A record is the first 256 bytes: a module that sends more is still answering.
    return datagram.size() >= qsizetype(kDeviceEntrySize)
           && isFrom(probeSent_ ? probeAddress_ : targetAddress_, fromAddress);
}

void SaveExchange::answerReceived(const QByteArray& datagram, const QString& fromAddress)
{
    if (phase_ == Phase::Planning)
        return;
    if (phase_ == Phase::Reading) {
        // The planner judges what the module sent: a short answer is still an answer.
        if (!datagram.isEmpty() && isFrom(targetAddress_, fromAddress))
            readAnswered(datagram);
        return;
    }
    // Another host, or a fragment, would otherwise blank the boxes or fake a
    // live module at the probed address.
    if (!isFromModule(datagram, fromAddress))
        return;
    // A second copy of the answer to the opening read is no news of the save:
    // shown, it would put the record as it was back into the boxes.
    if (!probeSent_ && !readAnswer_.isEmpty() && datagram.startsWith(readAnswer_.left(qsizetype(kDeviceEntrySize))))
        return;
    setStatus(QStringLiteral("Response from ") + fromAddress);
    if (probeSent_) {
        setAnswerState(QLatin1String(kAnswered));
        return;
    }
    setAnswerState(QLatin1String(kNoAnswer));
    host_.showAnsweredRecord(DeviceEntry::fromBytes(datagram.constData(), static_cast<std::size_t>(datagram.size())));
}

void SaveExchange::secondEndpointAnswered()
{
    setAnswerState(QLatin1String(kAnswered));
}

void SaveExchange::stop()
{
    phase_ = Phase::Idle;
    readAnswer_.clear();
    planner_ = nullptr;
    readTimer_.stop();
    if (timer_)
        timer_->stop();
}

}  // namespace quillmar
