#pragma once
// A module's settings record for people and for scripts. Both name the fields
// as the record does (modelName ... wpaPsk), the names `config set` takes. For
// people the Wi-Fi keys are "********" unless asked for, and a value longer
// than the terminal is wide goes on under itself; JSON is for scripts and
// holds everything as it is.
#include <QCommandLineOption>
#include <QJsonObject>
#include <QTextStream>

#include "record/device_entry.h"

namespace quillmar::cli {

inline constexpr char kHiddenKey[] = "********";

struct RecordText {
    // Columns of the terminal the text must fit; 0 for no limit.
    int width = 0;
    bool showSecrets = false;
};

// --show-secrets and --wide of the verbs that print records.
QCommandLineOption showKeysOption();
QCommandLineOption wideOption();

// What a person is shown of a field: terminalText, a Wi-Fi key as "********"
// (an empty one stays empty) unless `showSecrets`.
QString fieldText(const DeviceEntry& record, DeviceField field, bool showSecrets);

// "name : value" lines in field order, names aligned.
void printRecordTable(QTextStream& out, const DeviceEntry& record, const RecordText& text = {});

// {"modelName": "...", ...}; the single-byte texts are decoded as Latin-1.
QJsonObject recordToJson(const DeviceEntry& record);

}  // namespace quillmar::cli
