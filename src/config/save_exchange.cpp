#include "config/save_exchange.h"

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

void SaveExchange::startSave(const DeviceEntry& record, const QString& targetAddress, const QString& probeAddress)
{
    saveTicks_ = 0;
    probeSent_ = false;
    probeAddress_ = probeAddress;
    host_.saveStarting();
    running_ = true;
    timer_->start();
    setStatus(QStringLiteral("Waiting..."));
    setAnswerState(QLatin1String(kNoAnswer));
    host_.sendDatagram(targetAddress, kModulePort, kSaveHeader);
    host_.sendDatagram(targetAddress, kModulePort,
                       QByteArray(record.data(), static_cast<qsizetype>(record.size())));
    host_.saveSent();
}

void SaveExchange::requestRead(const QString& targetAddress)
{
    setStatus(QStringLiteral("Waiting..."));
    host_.sendDatagram(targetAddress, kModulePort, kReadRequest);
}

void SaveExchange::tick()
{
    if (!running_)
        return;
    switch (saveTicks_) {
    case kProbeTick:
        probeSent_ = true;
        host_.sendDatagram(probeAddress_, kModulePort, kReadRequest);
        saveTicks_ = kProbeTick + 1;
        return;
    case kSilentTick:
        saveTicks_ = kSilentTick + 1;
        return;
    case kDecidingTick:
        if (answerState_ == QLatin1String(kNoAnswer)) {
            setStatus(QStringLiteral("Save to Module OK"));
            running_ = false;
            timer_->stop();
            saveTicks_ = 0;
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

void SaveExchange::answerReceived(const QByteArray& datagram, const QString& fromAddress)
{
    setStatus(QStringLiteral("Response from ") + fromAddress);
    const DeviceEntry answer = DeviceEntry::fromBytes(datagram.constData(), static_cast<std::size_t>(datagram.size()));
    if (probeSent_) {
        setAnswerState(QLatin1String(kAnswered));
        return;
    }
    setAnswerState(QLatin1String(kNoAnswer));
    host_.showAnsweredRecord(answer);
}

void SaveExchange::secondEndpointAnswered()
{
    setAnswerState(QLatin1String(kAnswered));
}

void SaveExchange::stop()
{
    running_ = false;
    timer_->stop();
}

}  // namespace quillmar
