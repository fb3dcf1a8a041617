#pragma once
// An ImportTarget that writes down what a key file sets, one line per value in
// the order the file gives them, naming each by its field in the window's
// record (the names config show and config set use, and those of the record's
// extended settings area); a value the window keeps in no field is marked "(not
// in the record)". What `quillmar-cli config import` prints.
#include <QStringList>

#include "config/import_target.h"
#include "record/config_block.h"

namespace quillmar {

class KeyFileReport : public ImportTarget {
public:
    const QStringList& lines() const { return lines_; }

    void setModelName(const QString& text) override;
    void selectSerialBaud(const QString& text) override;
    void selectSerialFormat(const QString& text) override;
    void selectSerialFlow(const QString& text) override;
    void selectSerialInterface(const QString& text) override;
    void setPackingSwitches(bool delimiterOn, bool timeoutOn, bool lengthOn) override;
    void setDelimiterTexts(const QString& first, const QString& second) override;
    void setPackingTimeout(const QString& text) override;
    void setPackingLength(const QString& text) override;
    void setIpMode(bool dhcp) override;
    void setModuleAddress(quint32 controlValue) override;
    void setSubnetMask(quint32 controlValue) override;
    void setGateway(quint32 controlValue) override;
    void selectTcpWindowIndex(int index) override;
    void selectOperationMode(const QString& itemText) override;
    void showUdpPanel() override;
    void setListenPort(const QString& text) override;
    void setConnectionTimeoutOn(bool on) override;
    void setConnectionTimeouts(const QString& text) override;
    void setUdpRemotePort(const QString& text) override;
    void setUdpLocalPort(const QString& text) override;
    void setUdpRemoteAddress(quint32 controlValue) override;
    void setClientPort(const QString& text) override;
    void setClientRemoteAddress(quint32 controlValue) override;
    void setClientHostName(const QString& text) override;
    void setDnsAddresses(quint32 primary, std::optional<quint32> secondary) override;
    void setIpFilterOn(bool on) override;
    void setIpFilterStart(quint32 controlValue) override;
    void setIpFilterEnd(quint32 controlValue) override;

private:
    void add(DeviceField field, const QString& value);
    void add(ConfigField field, const QString& value);
    void add(const QString& name, const QString& value);
    void addOutsideRecord(const char* name, const QString& value);

    QStringList lines_;
};

}  // namespace quillmar
