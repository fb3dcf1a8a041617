#pragma once
// A module's settings record for people and for scripts. Both name the fields
// as the record does (modelName ... wpaPsk), the names `config set` takes.
#include <QJsonObject>
#include <QTextStream>

#include "record/device_entry.h"

namespace quillmar::cli {

// "name : value" lines in field order, names aligned, values as terminalText.
void printRecordTable(QTextStream& out, const DeviceEntry& record);

// {"modelName": "...", ...}; the single-byte texts are decoded as Latin-1.
QJsonObject recordToJson(const DeviceEntry& record);

}  // namespace quillmar::cli
