#include "comm/serial_settings.h"

#include <QStringList>

namespace quillmar {

namespace {

std::optional<QSerialPort::Parity> parityOf(const QString& text)
{
    if (text.size() != 1)
        return std::nullopt;
    switch (text.at(0).toLower().toLatin1()) {
    case 'n':
        return QSerialPort::NoParity;
    case 'e':
        return QSerialPort::EvenParity;
    case 'o':
        return QSerialPort::OddParity;
    case 'm':
        return QSerialPort::MarkParity;
    case 's':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

char parityLetter(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity:
        return 'e';
    case QSerialPort::OddParity:
        return 'o';
    case QSerialPort::MarkParity:
        return 'm';
    case QSerialPort::SpaceParity:
        return 's';
    default:
        return 'n';
    }
}

}  // namespace

std::optional<SerialSettings> parseSerialSettings(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    const QString rateText = parts[0].trimmed();
    const QString parityText = parts[1].trimmed();
    const QString dataText = parts[2].trimmed();
    const QString stopText = parts[3].trimmed();

    SerialSettings settings;
    bool ok = false;
    const qint64 rate = rateText.toLongLong(&ok);
    // Digits only: toLongLong would also take "+9600" or " 9600".
    if (!ok || rate <= 0 || rate > 4000000 || rateText.contains(QLatin1Char('+')))
        return std::nullopt;
    settings.baudRate = qint32(rate);

    const auto parity = parityOf(parityText);
    if (!parity)
        return std::nullopt;
    settings.parity = *parity;

    if (dataText == QLatin1String("5"))
        settings.dataBits = QSerialPort::Data5;
    else if (dataText == QLatin1String("6"))
        settings.dataBits = QSerialPort::Data6;
    else if (dataText == QLatin1String("7"))
        settings.dataBits = QSerialPort::Data7;
    else if (dataText == QLatin1String("8"))
        settings.dataBits = QSerialPort::Data8;
    else
        return std::nullopt;

    if (stopText == QLatin1String("1"))
        settings.stopBits = QSerialPort::OneStop;
    else if (stopText == QLatin1String("1.5"))
        settings.stopBits = QSerialPort::OneAndHalfStop;
    else if (stopText == QLatin1String("2"))
        settings.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return settings;
}

QString formatSerialSettings(const SerialSettings& settings)
{
    const QString stop = settings.stopBits == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                         : settings.stopBits == QSerialPort::TwoStop      ? QStringLiteral("2")
                                                                          : QStringLiteral("1");
    return QStringLiteral("%1,%2,%3,%4")
        .arg(settings.baudRate)
        .arg(QLatin1Char(parityLetter(settings.parity)))
        .arg(int(settings.dataBits))
        .arg(stop);
}

}  // namespace quillmar
