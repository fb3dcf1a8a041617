#include "config/save_exchange.h"

#include <exception>

#include "record/ipv4_text.h"

namespace quillmar {

SaveExchange::SaveExchange(SaveExchangeHost& host, std::chrono::milliseconds tickInterval, QObject* parent)
    : QObject(parent), host_(host), timer_(new QTimer(this))
{
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(tickInterval);
    connect(timer_, &QTimer::timeout, this, &SaveExchange::tick);
}

SaveExchange::SaveExchange(SaveExchangeHost& host, QTimer& timer, QObject* parent)
    : QObject(parent), host_(host), timer_(&timer)
{
    connect(timer_, &QTimer::timeout, this, &SaveExchange::tick);
}

SaveExchange::SaveExchange(SaveExchangeHost& host, ExternalTicks, QObject* parent) : QObject(parent), host_(host) {}

QString SaveExchange::waitingText(int ticks)
{
    static const char* const texts[] = {"Waiting.", "Waiting..", "Waiting...", "Waiting...."};
    return QString::fromLatin1(texts[ticks % 4]);
}

void SaveExchange::setStatus(const QString& text)
{
    statusText_ = text;
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

bool SaveExchange::startSave(const DeviceEntry& record, const QString& probeAddress)
{
    saveTicks_ = 0;
    probeSent_ = false;
    probeAddress_ = probeAddress;
    savedAddress_ = QString::fromStdString(record.text(DeviceField::IpAddress));
    host_.saveStarting();
    running_ = true;
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
    if (!running_)
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
        if (answerState_ == QLatin1String(kNoAnswer)) {
            setStatus(QStringLiteral("Save to Module OK"));
            running_ = false;
            if (timer_)
                timer_->stop();
            saveTicks_ = 0;
            // The module now lives at the address it was given: a second save or
            // read goes there, and its probe asks the module there.
            targetAddress_ = savedAddress_;
            probeAddress_ = savedAddress_;
            host_.saveConfirmed();
        } else {
            host_.saveUnconfirmed();
        }
        return;
    default:
        ++saveTicks_;
        setStatus(waitingText(saveTicks_));
        return;
    }
}

bool SaveExchange::isFromModule(const QByteArray& datagram, const QString& fromAddress) const
{
    if (datagram.size() != qsizetype(kDeviceEntrySize))
        return false;
    const QString& expected = probeSent_ ? probeAddress_ : targetAddress_;
    const auto from = parseIpv4(fromAddress.toStdString());
    return from && from == parseIpv4(expected.toStdString());
}

void SaveExchange::answerReceived(const QByteArray& datagram, const QString& fromAddress)
{
    // Another host, or a fragment, would otherwise blank the boxes or fake a
    // live module at the probed address.
    if (!isFromModule(datagram, fromAddress))
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
    running_ = false;
    if (timer_)
        timer_->stop();
}

}  // namespace quillmar
