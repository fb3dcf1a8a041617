#include "discovery/udp_search_thread.h"

#include <exception>

namespace quillmar {

UDPsearchThread::UDPsearchThread(bool broadcast, const QString& address, std::vector<LocalAddress> localAddresses,
                                 int printerFamily, SearchTiming timing)
    : target_(SearchTarget::fromText(broadcast, address.toStdString())), localAddresses_(std::move(localAddresses)),
      engine_(*this, printerFamily, timing)
{
    qRegisterMetaType<quillmar::DeviceEntry>();
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void UDPsearchThread::Execute()
{
    try {
        // The outcome is in the rows and the messages already shown.
        if (target_.range)
            (void)engine_.searchRange(localAddresses_, *target_.range);
        else
            (void)engine_.searchAllAddresses(localAddresses_, target_);
        emit barPositionChanged(100);
        emit searchFinished();
    } catch (const std::exception& error) {
        emit exceptionRaised(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        emit exceptionRaised(QStringLiteral("Unknown exception"));
    }
}

void UDPsearchThread::setLabel(const std::string& text)
{
    emit labelChanged(QString::fromStdString(text));
}

void UDPsearchThread::setBarPosition(int position)
{
    emit barPositionChanged(position);
}

void UDPsearchThread::stepBar()
{
    emit barStepped();
}

void UDPsearchThread::beep()
{
    emit beepRequested();
}

void UDPsearchThread::showError(const std::string& text)
{
    emit errorRaised(QString::fromStdString(text));
}

void UDPsearchThread::addRow(const DeviceEntry& entry)
{
    emit replyParsed(entry);
}

}  // namespace quillmar
