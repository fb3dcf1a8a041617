#pragma once
// A record as the key=value list quillmar-sim's --module and --settings-pty
// take, and the record a simulated module last stored, from its log.
#include <QByteArray>

#include <string>

#include "record/device_entry.h"
#include "record/field_names.h"
#include "support/sim_process.h"

namespace quillmar::test {

inline std::string simFieldsOf(const DeviceEntry& record)
{
    std::string keys;
    for (const FieldLayout& layout : deviceFieldLayout())
        keys += "," + std::string(fieldName(layout.field)) + "=" + record.text(layout.field);
    return keys;
}

// The record of the last "stored" line of the simulator's log; an empty record
// when nothing was stored.
inline DeviceEntry storedRecordOf(const SimProcess& sim)
{
    const auto stored = sim.lines("stored");
    if (stored.empty())
        return DeviceEntry{};
    const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(stored.back().fields.at("record")));
    return DeviceEntry::fromBytes(bytes.constData(), std::size_t(bytes.size()));
}

}  // namespace quillmar::test
