#pragma once
// Printing a module's settings record: a table for people, a JSON object for
// scripts. Both name the thirteen fields as the device list's columns do.
#include <QJsonObject>

#include <cstdio>
#include <string>

#include "record/device_entry.h"

namespace quillmar::cli {

// A field's text for a terminal: bytes 0x20-0x7E as they are, other bytes as
// \xHH, so that a module's text can never drive the terminal.
std::string printableText(const std::string& text);

// "Caption : value" lines in field order, captions aligned.
void printRecordTable(std::FILE* out, const DeviceEntry& record);

// {"Model Name": "...", ...}; texts are decoded as Latin-1.
QJsonObject recordToJson(const DeviceEntry& record);
void printRecordJson(std::FILE* out, const DeviceEntry& record);

}  // namespace quillmar::cli
