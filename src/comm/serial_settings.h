#pragma once
// The line settings text of the serial control: "rate,parity,data bits,stop bits",
// for example "115200,n,8,1". Parity is one of n, e, o, m, s (either case); data
// bits 5 to 8; stop bits 1, 1.5 or 2.
#include <QSerialPort>
#include <QString>

#include <optional>

namespace quillmar {

struct SerialSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Nothing when the text is not a settings text.
std::optional<SerialSettings> parseSerialSettings(const QString& text);

// The settings in their canonical text ("115200,n,8,1").
QString formatSerialSettings(const SerialSettings& settings);

}  // namespace quillmar
