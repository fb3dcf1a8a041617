#include "config/save_records.h"

#include <string>

#include "record/ip_dot.h"
#include "record/single_byte_text.h"

namespace quillmar {

bool isReachableModuleAddress(quint32 controlValue)
{
    if (controlValue == 0)
        return false;
    for (int shift = 0; shift < 32; shift += 8) {
        if (((controlValue >> shift) & 0xFFu) == 0xFFu)
            return false;
    }
    return true;
}

QByteArray blockRecordBytes(const ConfigBlock& block)
{
    const DeviceEntry record = block.entry().normalized();
    return QByteArray(record.data(), static_cast<qsizetype>(record.size()));
}

}  // namespace quillmar
