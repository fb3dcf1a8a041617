#pragma once
// The table a site is rolled out from (config apply --map FILE.csv): a header
// row with macAddress and any record field names (ip as the short name;
// address, interface and modelName are columns an inventory has and that are
// left alone), then one row per printer. An empty cell, or a key cell still
// holding the mask discover --csv writes, leaves that field as the module has
// it. Every row is checked before anything is sent. A field in two columns (in
// any case; ip and ipAddress are one field) is refused, not taken from either.
// What spreadsheets add to a table they save is passed over: a byte order mark,
// rows of empty cells, and empty columns without a name.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

#include "settable_fields.h"

namespace quillmar::cli {

struct MapRow {
    int line = 0;  // in the file, from 1
    QString mac;   // "00-1F-7C-00-02-14"
    std::vector<FieldChange> changes;
    std::optional<std::uint32_t> newAddress;  // when the row gives ip
};

// The rows of the map at `path`. Nothing when any row is refused: then
// `refusals` holds one message per fault, each naming its line ("map.csv line
// 4: ssid: invalid SSID config!").
std::optional<std::vector<MapRow>> readSiteMap(const QByteArray& path, QStringList& refusals);

// Whether a cell holds a key's mask as discover --csv writes it.
bool isKeyMask(const QString& cell);

}  // namespace quillmar::cli
