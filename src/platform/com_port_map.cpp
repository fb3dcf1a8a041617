#include "platform/com_port_map.h"

#include <QByteArray>

namespace quillmar {

QString comPortPath(int comNumber)
{
    const QByteArray variable = "QUILLMAR_COM" + QByteArray::number(comNumber);
    const QByteArray mapped = qgetenv(variable.constData());
    if (!mapped.isEmpty())
        return QString::fromLocal8Bit(mapped);
    return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
}

}  // namespace quillmar
